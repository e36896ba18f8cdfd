#include "frmprogramsourcecodes.h"
#include "filetextvalidator.h"

#include "platform/errorreport.h"
#include "receiver/sourcecodes.h"
#include "twips.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

frmProgramSourceCodes::frmProgramSourceCodes(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmProgramSourceCodes"));
    setWindowTitle(QStringLiteral("Program Source Codes"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(3480), twips(3390));

    lstCRCID = new QListWidget(this);
    lstCRCID->setObjectName(QStringLiteral("lstCRCID"));
    lstCRCID->setGeometry(twipsRect(120, 120, 1695, 3135));
    lstCRCID->setToolTip(QStringLiteral("Source Codes.  Unity 4K manual calls these codes \"LANG\""));

    cmdNew = new QPushButton(QStringLiteral("New"), this);
    cmdNew->setObjectName(QStringLiteral("cmdNew"));
    cmdNew->setGeometry(twipsRect(2040, 120, 1215, 405));

    txtCRCID = new QLineEdit(this);
    txtCRCID->setObjectName(QStringLiteral("txtCRCID"));
    txtCRCID->setGeometry(twipsRect(2040, 660, 1215, 345));
    txtCRCID->setToolTip(QStringLiteral("Add a new source code....up to 3 characters"));
    txtCRCID->setMaxLength(SourceCodes::kMaxLength);
    // A comma would end the code early for every reader of the file.
    txtCRCID->setValidator(new FileTextValidator(txtCRCID, QStringLiteral(",")));
    txtCRCID->installEventFilter(this);
    txtCRCID->hide();

    cmdApply = new QPushButton(QStringLiteral("Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setGeometry(twipsRect(2040, 1140, 1215, 405));
    cmdApply->setEnabled(false);

    cmdDelete = new QPushButton(QStringLiteral("Delete"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdDelete->setGeometry(twipsRect(2040, 1680, 1215, 405));

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(2040, 2850, 1215, 405));

    connect(cmdNew, &QPushButton::clicked, this, &frmProgramSourceCodes::newCode);
    connect(cmdApply, &QPushButton::clicked, this, &frmProgramSourceCodes::applyCode);
    connect(cmdDelete, &QPushButton::clicked, this, &frmProgramSourceCodes::deleteCode);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    // A missing or unreadable file is an empty list, without a message.
    lstCRCID->addItems(SourceCodes::sorted(ReadSourceCodes().value_or(QStringList())));
    if (lstCRCID->count() > 0)
        lstCRCID->setCurrentRow(0);
}

QStringList frmProgramSourceCodes::codes() const
{
    QStringList texts;
    for (int i = 0; i < lstCRCID->count(); ++i)
        texts.append(lstCRCID->item(i)->text());
    return texts;
}

bool frmProgramSourceCodes::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtCRCID && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter adds the code but leaves Apply as it was.
            addCode();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmProgramSourceCodes::newCode()
{
    txtCRCID->clear();
    txtCRCID->show();
    txtCRCID->setFocus();
    cmdApply->setEnabled(true);
}

bool frmProgramSourceCodes::addCode()
{
    const QString code = SourceCodes::upperCase(txtCRCID->text());
    QStringList list = codes();
    list.insert(SourceCodes::insertPosition(list, code), code);
    QString error;
    if (!SaveSourceCodes(list, &error)) {
        ShowErrorMessage(error);
        return false;
    }
    lstCRCID->insertItem(int(SourceCodes::insertPosition(codes(), code)), code);
    txtCRCID->clear();
    txtCRCID->hide();
    return true;
}

void frmProgramSourceCodes::applyCode()
{
    if (addCode())
        cmdApply->setEnabled(false);
}

void frmProgramSourceCodes::deleteCode()
{
    const QList<QListWidgetItem *> selected = lstCRCID->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = lstCRCID->row(selected.first());
    QStringList list = codes();
    list.removeAt(row);
    QString error;
    if (!SaveSourceCodes(list, &error)) {
        ShowErrorMessage(error);
        return;
    }
    delete lstCRCID->takeItem(row);
    lstCRCID->clearSelection();
}
