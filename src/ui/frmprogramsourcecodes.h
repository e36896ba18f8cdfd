#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;

// The operator's list of program source codes. Every add and delete
// rewrites Source.dat at once, so the file always mirrors the list.
class frmProgramSourceCodes : public QWidget
{
    Q_OBJECT

public:
    explicit frmProgramSourceCodes(QWidget *parent = nullptr);

    // The codes in the order the list shows them.
    QStringList codes() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void newCode();
    // Adds the typed code and saves; false when saving failed, in which case
    // the list and the typed text stay as they were.
    bool addCode();
    void applyCode();
    void deleteCode();

    QPushButton *cmdApply;
    QPushButton *cmdDelete;
    QPushButton *cmdNew;
    QPushButton *cmdClose;
    QLineEdit *txtCRCID;
    QListWidget *lstCRCID;
};
