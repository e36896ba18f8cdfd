#include "frmremotestatus.h"

#include "monitor/remotestatussettings.h"
#include "monitor/statusmonitor.h"
#include "platform/errorreport.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
template <typename W> W *withName(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

frmRemoteStatus::frmRemoteStatus(StatusMonitor &monitor, QWidget *parent)
    : QWidget(parent, Qt::Window), m_monitor(monitor)
{
    setObjectName(QStringLiteral("frmRemoteStatus"));
    setWindowTitle(QStringLiteral("Remote Status"));
    setAttribute(Qt::WA_DeleteOnClose);

    chkServe = withName(new QCheckBox(QStringLiteral("&Serve the station's status over HTTP"), this), "chkServe");
    txtAddress = withName(new QLineEdit(this), "txtAddress");
    txtAddress->setToolTip(QStringLiteral("An IP address of this computer: 127.0.0.1 lets only this computer in."));
    txtPort = withName(new QSpinBox(this), "txtPort");
    txtPort->setRange(1, 65535);
    lblReach = withName(new QLabel(this), "lblReach");
    lblState = withName(new QLabel(this), "lblState");
    for (QLabel *label : {lblReach, lblState}) {
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto *buttons = new QDialogButtonBox(this);
    cmdApply = withName(buttons->addButton(QStringLiteral("&Apply"), QDialogButtonBox::ApplyRole), "cmdApply");
    cmdClose = withName(buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole), "cmdClose");

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Address:"), txtAddress);
    form->addRow(QStringLiteral("&Port:"), txtPort);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chkServe);
    layout->addLayout(form);
    layout->addWidget(lblReach);
    layout->addWidget(lblState);
    layout->addStretch();
    layout->addWidget(buttons);
    setMinimumWidth(460);

    RemoteStatusSettings settings;
    QString error;
    if (!RemoteStatusFile::read(Paths::dataFile(RemoteStatusFile::kName), settings, &error))
        ShowErrorMessage(error + QLatin1Char('.'));
    chkServe->setChecked(settings.enabled);
    txtAddress->setText(settings.address);
    txtPort->setValue(settings.port);

    connect(cmdApply, &QPushButton::clicked, this, &frmRemoteStatus::apply);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(txtAddress, &QLineEdit::textChanged, this, &frmRemoteStatus::showReach);
    connect(&m_monitor, &StatusMonitor::servingChanged, this, &frmRemoteStatus::showState);
    showReach();
    showState();
}

void frmRemoteStatus::apply()
{
    const std::optional<QString> address = numericAddress(txtAddress->text());
    if (!address) {
        ShowErrorMessage(QStringLiteral("\"%1\" is not an IP address. Type the address to listen on: 127.0.0.1 "
                                        "(this computer only) or this computer's address on the station's network.")
                             .arg(txtAddress->text()));
        return;
    }
    RemoteStatusSettings settings;
    settings.enabled = chkServe->isChecked();
    settings.address = *address;
    settings.port = quint16(txtPort->value());
    QString error;
    if (!RemoteStatusFile::write(Paths::dataFile(RemoteStatusFile::kName), settings, &error)) {
        ShowErrorMessage(error + QStringLiteral(". The status server's settings were not changed."));
        return;
    }
    m_monitor.apply(settings);
    showState();
}

void frmRemoteStatus::showReach()
{
    const std::optional<QString> address = numericAddress(txtAddress->text());
    const bool open = address && !ListenAddress{*address, 0}.loopback();
    lblReach->setText(
        open ? QStringLiteral("%1 is not this computer's loopback address: anyone on the network who can reach it can "
                              "read the station's status (its schedules' names, switches, Eb/No readings, errors and "
                              "activity log). Nobody can change anything through it.")
                   .arg(*address)
             : QStringLiteral("Anyone who can reach the address can read the station's status (its schedules' "
                              "names, switches, Eb/No readings, errors and activity log); nobody can change anything "
                              "through it. 127.0.0.1 lets only this computer in."));
    QFont font = lblReach->font();
    font.setBold(open);
    lblReach->setFont(font);
}

void frmRemoteStatus::showState()
{
    const std::optional<ListenAddress> serving = m_monitor.serving();
    const QString url = serving ? QStringLiteral("http://%1/").arg(serving->text()) : QString();
    if (m_monitor.commandLineRules())
        lblState->setText(
            (serving ? QStringLiteral("This run answers on %1").arg(url) : QStringLiteral("This run does not serve"))
            + QStringLiteral(" as its command line asks (--status-listen %1); what you apply here is saved for the "
                             "starts without it.")
                  .arg(m_monitor.commandLine()->text()));
    else if (serving)
        lblState->setText(QStringLiteral("Answering on %1: the status page there, /metrics for Prometheus, "
                                         "/status.json and /healthz.")
                              .arg(url));
    else
        lblState->setText(QStringLiteral("Off."));
}
