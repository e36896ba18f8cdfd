#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// "Are You Sure?" before a schedule is deleted. It does not wait: the editor
// hears the answer through okPressed, and Cancel only closes it.
class frmDialog1 : public QDialog
{
    Q_OBJECT

public:
    explicit frmDialog1(QWidget *parent = nullptr);

Q_SIGNALS:
    // Sent before the window closes.
    void okPressed();

private:
    QLabel *lblDialog1;
    QPushButton *OKButton;
    QPushButton *CancelButton;
};
