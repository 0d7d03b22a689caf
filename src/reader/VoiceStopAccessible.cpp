#include "reader/VoiceStopAccessible.h"

#include "reader/VoicePicker.h"
#include "reader/VoiceStop.h"

namespace {

QAccessibleInterface* build(const QString&, QObject* object) {
    if (auto* stop = qobject_cast<VoiceStop*>(object))
        return new VoiceStopAccessible(stop);
    return nullptr;
}

} // namespace

VoiceStopAccessible::VoiceStopAccessible(VoiceStop* stop)
    : QAccessibleWidget(stop, stop->kind() == VoiceFocus::Flags ? QAccessible::Slider : QAccessible::Button) {}

void VoiceStopAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(build);
        return true;
    }();
    Q_UNUSED(installed);
}

VoiceStop* VoiceStopAccessible::stop() const { return static_cast<VoiceStop*>(widget()); }

QString VoiceStopAccessible::text(QAccessible::Text t) const {
    const VoicePicker& picker = stop()->picker();
    const VoiceFocus kind = stop()->kind();
    switch (t) {
    case QAccessible::Name:
        return picker.stopLabel(kind);
    case QAccessible::Value:
        return picker.stopValue(kind);
    case QAccessible::Description:
    case QAccessible::Help:
        return picker.stopHint(kind);
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State VoiceStopAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.focusable = true;
    return state;
}

QStringList VoiceStopAccessible::actionNames() const {
    QStringList names = {increaseAction(), decreaseAction()};
    if (stop()->kind() == VoiceFocus::Voices)
        names.prepend(pressAction());
    return names;
}

void VoiceStopAccessible::doAction(const QString& actionName) {
    VoicePicker& picker = stop()->picker();
    const VoiceFocus kind = stop()->kind();
    if (actionName == increaseAction())
        picker.adjust(kind, MoveDirection::Right);
    else if (actionName == decreaseAction())
        picker.adjust(kind, MoveDirection::Left);
    else if (actionName == pressAction() && kind == VoiceFocus::Voices)
        picker.activateVoice();
}

QStringList VoiceStopAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == increaseAction())
        return {QStringLiteral("Right")};
    if (actionName == decreaseAction())
        return {QStringLiteral("Left")};
    if (actionName == pressAction() && stop()->kind() == VoiceFocus::Voices)
        return {QStringLiteral("Space"), QStringLiteral("Return")};
    return {};
}
