#include "mainwindow/CleanupPane.h"

#include "engine/LlmServer.h"
#include "looks/TextColours.h"
#include "mainwindow/LiveControls.h"
#include "mainwindow/LiveSettingsControl.h"
#include "platform/Wording.h"
#include "state/AppActions.h"
#include "stores/HistoryStore.h"
#include "support/Defaults.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>

namespace {

QString keepLabel(int days) { return days == 0 ? QObject::tr("Forever") : QObject::tr("%1 days").arg(days); }

} // namespace

CleanupPane::Services CleanupPane::Services::standard(HistoryStore& history) {
    Services services;
    services.defaults = &Defaults::shared();
    services.history = &history;
    const AppActions& actions = AppActions::shared();
    services.startPhoneLink = actions.startPhoneLink;
    services.stopPhoneLink = actions.stopPhoneLink;
    services.phoneLinkError = actions.phoneLinkError;
    services.modelIsUp = [] { return LlmServer::shared().isUp(); };
    // No desktop here offers an on-device system model.
    services.systemModel = false;
    return services;
}

CleanupPane::CleanupPane(Services services, QWidget* parent)
    : SettingsForm(tr("Cleanup"), parent), m_services(std::move(services)) {
    Defaults& defaults = *m_services.defaults;

    m_controls.append(
        addSection(tr("Polish each dictation"))->add(LiveControls::autoClean(defaults, LiveControls::kCleanupSpoken)));
    m_controls.append(addSection(tr("Numbers"))->add(LiveControls::numbers(defaults)));

    SettingsSection* lists = addSection(tr("Lists"));
    m_lists =
        lists->addToggle(tr("Turn spoken counting into bullet points"), defaults.boolOr(kListsFromCounting, true));
    connect(m_lists, &QCheckBox::toggled, this, [this](bool on) { m_services.defaults->set(kListsFromCounting, on); });
    lists->addHelp(tr(
        "On, counting a list aloud writes it as one: say \"One, patience. Two, perseverance. Three, execution\" and "
        "you get three bullets. Three markers in order are required, so ordinary sentences containing \"one\" are "
        "left alone. On the record and Code never do this.\n\nSaying \"bullet point\" out loud always works, in every "
        "mode, whether this is on or off."));

    m_controls.append(addSection(tr("Ending each dictation"))->add(LiveControls::endWithPeriod(defaults)));
    m_controls.append(addSection(tr("Highlight to clean up"))->add(LiveControls::selectionChip(defaults)));

    SettingsSection* phone = addSection(Wording::of(tr("Notes from your iPhone")));
    m_phone = phone->addToggle(Wording::of(tr("Let my iPhone hand notes to this Mac")),
                               defaults.boolOr(kPhoneLinkEnabled, true));
    m_phone->setEnabled(m_services.startPhoneLink && m_services.stopPhoneLink);
    connect(m_phone, &QCheckBox::toggled, this, &CleanupPane::phoneSwitched);
    m_phoneError = new QLabel;
    m_phoneError->setTextFormat(Qt::PlainText);
    m_phoneError->setWordWrap(true);
    m_phoneError->setStyleSheet(QStringLiteral("color: %1;").arg(TextColours::red(palette()).name()));
    phone->add(m_phoneError);
    showPhoneError();
    phone->addHelp(Wording::of(tr(
        "On, this Mac says it is here so the Quorvane app on your iPhone can list it by name and send notes straight "
        "into the Dashboard. It listens on your local network only and never reaches out. Off, nothing is advertised "
        "and the iPhone will not find this Mac.")));

    SettingsSection* keep = addSection(tr("How long dictations are kept"));
    m_keep = new SegmentedChoice;
    for (int days : kKeepDays)
        m_keep->addOption(keepLabel(days), QString::number(days));
    m_keep->select(QString::number(defaults.intOr(kHistoryKeepDays, 0)));
    connect(m_keep, &SegmentedChoice::chosen, this, [this](const QString& days) { keepFor(days.toInt()); });
    keep->addLabelled(tr("Keep recent dictations"), m_keep);
    m_historyError = new QLabel;
    m_historyError->setTextFormat(Qt::PlainText);
    m_historyError->setWordWrap(true);
    m_historyError->setStyleSheet(QStringLiteral("color: %1;").arg(TextColours::red(palette()).name()));
    m_historyError->hide();
    keep->add(m_historyError);
    keep->addHelp(Wording::of(tr("Recent Dictations on the Dashboard holds the full text of what you dictated, on this "
                                 "Mac only. Shortening this removes anything older straight away.")));

    SettingsSection* engine = addSection(tr("Cleanup engine"));
    m_systemModel = engine->addToggle(Wording::of(tr("Use Apple Intelligence when available")),
                                      defaults.boolOr(kUseSystemModel, false));
    m_systemModel->setEnabled(m_services.systemModel);
    connect(m_systemModel, &QCheckBox::toggled, this,
            [this](bool on) { m_services.defaults->set(kUseSystemModel, on); });
    if (!m_services.systemModel)
        engine->addHelp(Wording::of(QStringLiteral("This computer has no on-device system model, so Quorvane always "
                                                   "uses its own.")));
    engine->addHelp(Wording::of(tr(
        "Off, Quorvane cleans your dictation with its own built-in model, which works the same on every Mac and runs "
        "entirely on-device. On, it tries Apple Intelligence first on Macs that have it. Apple's model is faster and "
        "lighter, but Quorvane cannot tune it, and it occasionally declines to process ordinary text and hands the job "
        "back. Either way nothing leaves your Mac.")));

    SettingsSection* tiers = addSection(tr("Cleanup brains, in order"));
    const auto value = [](const QString& text) {
        auto* label = new QLabel(text);
        label->setTextFormat(Qt::PlainText);
        label->setForegroundRole(QPalette::PlaceholderText);
        return label;
    };
    tiers->addLabelled(Wording::of(tr("Apple Intelligence")),
                       value(Wording::of(tr("used when this Mac has it enabled"))));
    m_modelState = value(QString());
    tiers->addLabelled(tr("Quorvane local model"), m_modelState);
    tiers->addLabelled(tr("Quick rules"), value(tr("instant fallback, punctuation and fillers")));
    tiers->addHelp(Wording::of(tr("Every tier runs entirely on this Mac. Your words never leave it.")));
    showModelState(false);
    finish();
}

void CleanupPane::showEvent(QShowEvent* event) {
    SettingsForm::showEvent(event);
    const int appearance = ++m_appearance;
    showModelState(false);
    if (!m_services.modelIsUp)
        return;
    m_services.modelIsUp().then(this, [this, appearance](bool up) {
        if (appearance == m_appearance)
            showModelState(up);
    });
}

void CleanupPane::keepFor(int days) {
    Defaults& defaults = *m_services.defaults;
    if (defaults.integer(kHistoryKeepDays) == days)
        return;
    defaults.set(kHistoryKeepDays, days);
    if (!m_services.history || !m_services.history->prune())
        return;
    const bool saved = m_services.history->save();
    m_historyError->setText(
        saved ? QString() : tr("The shorter history could not be saved; older dictations may still be on disk."));
    m_historyError->setVisible(!saved);
}

void CleanupPane::phoneSwitched(bool on) {
    m_services.defaults->set(kPhoneLinkEnabled, on);
    if (on && m_services.startPhoneLink)
        m_services.startPhoneLink();
    else if (!on && m_services.stopPhoneLink)
        m_services.stopPhoneLink();
    showPhoneError();
}

void CleanupPane::showPhoneError() {
    const std::optional<QString> error = m_services.phoneLinkError ? m_services.phoneLinkError() : std::nullopt;
    const bool shown = error && m_phone->isChecked();
    m_phoneError->setText(shown ? *error : QString());
    m_phoneError->setVisible(shown);
}

void CleanupPane::showModelState(bool up) {
    m_modelState->setText(up ? tr("running") : tr("starts with the app"));
    QPalette colors = m_modelState->palette();
    if (up)
        colors.setColor(QPalette::WindowText, TextColours::green(colors));
    m_modelState->setPalette(colors);
    m_modelState->setForegroundRole(up ? QPalette::WindowText : QPalette::PlaceholderText);
}
