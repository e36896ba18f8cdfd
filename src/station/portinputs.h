#pragma once

#include <QString>

#include <optional>

class Station;

// The parallel port's two inputs, polled on every tick while the port is in
// use: the alarm (status bit 4) and the time-set input (status bit 3), each
// active when its bit reads 0. Each activation is handled once; its latch is
// released only when the input goes inactive again.
class PortInputs
{
public:
    explicit PortInputs(Station &station) : m_station(station) {}

    // Reads the status register. Returns the new text of the port status
    // label ("", "Alarm", "Time Set") when it changes, nothing otherwise.
    std::optional<QString> ReadPortInputs();

    int InputBits = 0;
    int AlarmLatched = 0;
    int TimeSetLatched = 0;

private:
    std::optional<QString> setClock();

    Station &m_station;
};
