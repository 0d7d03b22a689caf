#pragma once

#include <QAccessibleWidget>

class VoiceStop;

// A voice-picker stop as one accessible element: its name, value and hint
// (as the description) come from the picker; increase and decrease move the
// stop's cursor right and left, and the grid also presses the voice under
// it. Its chips and cards are not exposed. GUI thread.
class VoiceStopAccessible : public QAccessibleWidget {
public:
    explicit VoiceStopAccessible(VoiceStop* stop);

    // Makes QAccessible build this interface for every VoiceStop; idempotent.
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    VoiceStop* stop() const;
};
