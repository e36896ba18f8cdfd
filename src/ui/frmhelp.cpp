#include "frmhelp.h"

#include "fonts.h"
#include "frmerror.h"
#include "twips.h"

#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/paths.h"
#include "platform/rtf.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextEdit>

namespace {

const QString kHelpName = QStringLiteral("Kestrelpoint.hlp");

QSize designSize()
{
    return QSize(twips(9750), twips(5775));
}

} // namespace

frmHelp::frmHelp(Station &station, QWidget *parent) : QMainWindow(parent)
{
    Q_UNUSED(station);
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_area = new QWidget(this);
    m_area->setMinimumSize(designSize());
    setCentralWidget(m_area);

    RichTextBox1 = new QTextEdit(m_area);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setFont(msSansSerif());

    cmdClose = new QPushButton(QStringLiteral("&Close"), m_area);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setFont(msSansSerif(9.75, true));

    mnuFiles = menuBar()->addMenu(QStringLiteral("Files"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    mnuExit = mnuFiles->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuSave = mnuFiles->addAction(QStringLiteral("Save"));
    mnuSave->setObjectName(QStringLiteral("mnuSave"));

    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuSave, &QAction::triggered, this, &frmHelp::Save);
    connect(RichTextBox1->document(), &QTextDocument::modificationChanged, mnuSave, &QAction::setEnabled);

    m_area->installEventFilter(this);
    resize(designSize().width(), designSize().height() + menuBar()->sizeHint().height());
    placeControls();
    LoadHelp();
}

void frmHelp::LoadHelp()
{
    QTextDocument *document = RichTextBox1->document();
    QFile file(Paths::dataFile(kHelpName));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFile::NoError) {
        document->clear();
        ShowErrorMessage(QStringLiteral("The file Kestrelpoint.hlp was not found.  It should be located in folder %1.")
                             .arg(QDir::toNativeSeparators(Paths::dataDir())));
    } else {
        Rtf::read(bytes, *document);
    }
    RichTextBox1->moveCursor(QTextCursor::Start);
    document->clearUndoRedoStacks();
    document->setModified(false);
    mnuSave->setEnabled(false);
}

bool frmHelp::Save()
{
    QString error;
    QTextDocument *document = RichTextBox1->document();
    if (!FileWrite::replace(Paths::dataFile(kHelpName), Rtf::write(*document), &error)) {
        ShowErrorMessage(error);
        return false;
    }
    document->setModified(false);
    return true;
}

void frmHelp::placeControls()
{
    // The text grows with the window; Close stays centred below it.
    const int dw = m_area->width() - designSize().width();
    const int dh = m_area->height() - designSize().height();
    RichTextBox1->setGeometry(twipsRect(360, 360, 9015, 4335).adjusted(0, 0, dw, dh));
    cmdClose->setGeometry(twipsRect(4200, 5040, 1215, 495).translated(dw / 2, dh));
}

bool frmHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && event->type() == QEvent::Resize)
        placeControls();
    return QMainWindow::eventFilter(watched, event);
}

void frmHelp::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        frmError::windowActivated();
    QMainWindow::changeEvent(event);
}
