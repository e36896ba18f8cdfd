#include "frmerror.h"

#include "fonts.h"
#include "twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {
QPointer<frmError> &openWindow()
{
    static QPointer<frmError> window;
    return window;
}
} // namespace

frmError::frmError(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmError"));
    setWindowTitle(QStringLiteral("Error Message"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(twips(4275), twips(2325));

    lblMessage = new QLabel(this);
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setGeometry(twipsRect(240, 360, 3735, 975));
    lblMessage->setWordWrap(true);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(twipsRect(1680, 1560, 735, 495));
    OKButton->setFont(msSansSerif(9.75, true));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::close);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmError::ShowErrorMessage(const QString &text)
{
    QPointer<frmError> &window = openWindow();
    if (!window)
        window = new frmError;
    window->lblMessage->setText(text);
    window->show();
    window->raise();
}

frmError *frmError::instance()
{
    return openWindow().data();
}

void frmError::windowActivated()
{
    frmError *window = instance();
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}

QString frmError::message() const
{
    return lblMessage->text();
}
