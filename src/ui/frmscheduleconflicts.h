#pragma once

#include <QStringList>
#include <QWidget>

class QListWidget;
class QPushButton;
class Station;

// The switches of one receiver that fall on the same moment, after the
// editor stored a schedule. One window at a time; a new check replaces its
// lines, and a check that finds nothing leaves an open window empty.
class frmScheduleConflicts : public QWidget
{
    Q_OBJECT

public:
    explicit frmScheduleConflicts(QWidget *parent = nullptr);

    // The open window, or nullptr.
    static frmScheduleConflicts *instance();
    // Empties the list of the open window, if any.
    static void clearConflicts();
    // Checks the receiver's list as last built. Lines go to the open window;
    // when there are some and no window is open, one opens.
    static void CheckScheduleConflicts(const Station &station, int receiver);
    static void showConflicts(const QStringList &lines);
    // Closes the open window, if any.
    static void closeWindow();

    QStringList lines() const;

private:
    void setLines(const QStringList &lines);

    QPushButton *cmdClose;
    QListWidget *lstConflicts;
};
