#include "frmabout.h"

#include "fonts.h"
#include "twips.h"

#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

// The resources live in a static library: nothing would pull them into the
// program unless something asks for them by name.
static void initProgramResources()
{
    Q_INIT_RESOURCE(app);
}

namespace {

#define KP_TEXT(x) #x
#define KP_MACRO_TEXT(x) KP_TEXT(x)

QString plainNumber(QStringView part)
{
    qsizetype first = 0;
    while (first < part.size() - 1 && part.at(first) == QLatin1Char('0'))
        ++first;
    const QString number = part.mid(first).toString();
    return number.isEmpty() ? QStringLiteral("0") : number;
}

QFrame *ruleLine(QWidget *parent, int top, const QColor &colour)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(twips(120), twips(top), twips(5680) - twips(120), 1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace

QString VersionText(QStringView major, QStringView minor, QStringView revision)
{
    return QStringLiteral("Version ") + plainNumber(major) + QLatin1Char('.') + plainNumber(minor) + QLatin1Char('.')
           + plainNumber(revision);
}

QString ProgramVersionText()
{
    return VersionText(QStringLiteral(KP_MACRO_TEXT(KESTRELPOINT_VERSION_MAJOR)),
                       QStringLiteral(KP_MACRO_TEXT(KESTRELPOINT_VERSION_MINOR)),
                       QStringLiteral(KP_MACRO_TEXT(KESTRELPOINT_VERSION_PATCH)));
}

QIcon programIcon()
{
    initProgramResources();
    return QIcon(QStringLiteral(":/kestrelpoint.png"));
}

frmAbout::frmAbout(Station &station, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    Q_UNUSED(station);
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(twips(5730), twips(3555));
    setWindowTitle(QStringLiteral("About Kestrelpoint"));
    const QIcon icon = programIcon();
    setWindowIcon(icon);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(twipsRect(240, 240, 540, 540));
    picIcon->setAlignment(Qt::AlignCenter);
    picIcon->setPixmap(icon.pixmap(32, 32));

    lblTitle = new QLabel(QStringLiteral("Kestrelpoint"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setGeometry(twipsRect(1200, 120, 3885, 360));
    lblTitle->setFont(msSansSerif(12, true));

    lblVersion = new QLabel(ProgramVersionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(twipsRect(1080, 660, 3885, 345));
    lblVersion->setFont(msSansSerif());

    lblDescription = new QLabel(QStringLiteral("Switches the station's satellite receivers on a weekly schedule "
                                               "and keeps daily logs of the switches and the reception."),
                                this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setGeometry(twipsRect(1050, 1125, 3885, 690));
    lblDescription->setFont(msSansSerif());
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The etched rule: a grey line with a white one below it.
    Line1[0] = ruleLine(this, 2040, QColor(128, 128, 128));
    Line1[1] = ruleLine(this, 2160, Qt::white);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsRect(4245, 2625, 1260, 345));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);

    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(twipsRect(4260, 3075, 1245, 345));
    cmdSysInfo->setAutoDefault(false);

    m_messageBox = [this](const QString &title, const QString &text) {
        QMessageBox::information(this, title, text, QMessageBox::Ok);
    };

    // Esc reaches QDialog::reject, which closes the box as OK does.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
    cmdOK->setFocus();
}

void frmAbout::StartSysInfo()
{
    m_messageBox(QStringLiteral("Kestrelpoint"), QStringLiteral("System Information Is Unavailable At This Time"));
}
