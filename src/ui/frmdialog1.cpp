#include "frmdialog1.h"

#include "twips.h"

#include <QLabel>
#include <QPushButton>

frmDialog1::frmDialog1(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmDialog1"));
    setWindowTitle(QStringLiteral("Delete Schedule?"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(twips(3600), twips(1575));

    lblDialog1 = new QLabel(QStringLiteral("Are You Sure?"), this);
    lblDialog1->setObjectName(QStringLiteral("lblDialog1"));
    lblDialog1->setGeometry(twipsRect(240, 240, 3120, 315));
    lblDialog1->setAlignment(Qt::AlignCenter);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(twipsRect(480, 840, 1095, 375));
    // Enter must not delete: the safe answer is the default.
    OKButton->setAutoDefault(false);

    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(twipsRect(2025, 840, 1095, 375));
    CancelButton->setDefault(true);
    CancelButton->setFocus();

    connect(OKButton, &QPushButton::clicked, this, [this] {
        Q_EMIT okPressed();
        close();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::close);
}
