#pragma once

#include <QMainWindow>

class QAction;
class QMenu;
class QPushButton;
class QTextEdit;
class Station;

// The operator's help: Kestrelpoint.hlp from the data folder, an RTF
// document, shown as formatted text. The text can be edited so that a
// station can add its own notes (its wiring, its people to call); Files >
// Save writes it back and is offered only once something was changed, so an
// unread or unloaded help is never written over the file.
class frmHelp : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmHelp(Station &station, QWidget *parent = nullptr);

    // Files > Save: the shown text back to the file as RTF, replacing it
    // whole. False, with the reason in the error window, when it cannot.
    bool Save();

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void LoadHelp();
    void placeControls();

    QWidget *m_area;
    QTextEdit *RichTextBox1;
    QPushButton *cmdClose;
    QMenu *mnuFiles;
    QAction *mnuExit;
    QAction *mnuSave;
};
