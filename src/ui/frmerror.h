#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The error window: modeless, one at a time; a new message replaces the text.
class frmError : public QDialog
{
    Q_OBJECT

public:
    // Opens the window when it is not open, then shows the text.
    static void ShowErrorMessage(const QString &text);
    // The open window, or nullptr.
    static frmError *instance();
    // What six windows do when they become active while the error window
    // shows: the focus goes back to the message, which stays in front until
    // OK is pressed.
    static void windowActivated();

    QString message() const;

private:
    explicit frmError(QWidget *parent = nullptr);

    QLabel *lblMessage;
    QPushButton *OKButton;
};
