#pragma once

#include <QDialog>
#include <QIcon>
#include <QStringView>

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class Station;

// "Version 3.0.3": each part as a plain decimal number. The parts are taken
// as text, so a part written with leading zeros ("00", "0003") loses them
// and is never read as an octal number.
QString VersionText(QStringView major, QStringView minor, QStringView revision);
// This program's version line, from the project version.
QString ProgramVersionText();

// The program's own icon, for the about box and the windows.
QIcon programIcon();

// The about box: name, version, a short description and the System Info
// button. A fixed dialog; OK is both the default and the cancel button.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(Station &station, QWidget *parent = nullptr);

    // This platform has no system information tool to start: the box says so.
    void StartSysInfo();

    // Shows a message box with an OK button and waits; tests answer it.
    using MessageBox = std::function<void(const QString &title, const QString &text)>;
    void setMessageBox(MessageBox show) { m_messageBox = std::move(show); }

private:
    QLabel *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    std::array<QFrame *, 2> Line1{};
    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;
    MessageBox m_messageBox;
};
