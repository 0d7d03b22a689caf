#pragma once

// Questions asked of an application's element over the accessibility bus with
// Qt's D-Bus, without waiting: AtspiReplies reads their answers.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QString>
#include <QVariantList>

namespace AtspiQuestions {

inline const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
inline const QString kText = QStringLiteral("org.a11y.atspi.Text");
inline const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// As long as the accessibility library waits for one answer, in milliseconds.
constexpr int kAnswerTimeout = 800;

// One element: the application's bus name and the element's object path.
struct Element {
    QDBusConnection bus;
    QString service;
    QString path;

    QDBusPendingCall ask(const QString& interface, const QString& method, const QVariantList& arguments = {}) const {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        return bus.asyncCall(call, kAnswerTimeout);
    }
    // A property of the element's text.
    QDBusPendingCall textProperty(const QString& name) const {
        return ask(kProperties, QStringLiteral("Get"), {kText, name});
    }
};

// What a read of the caret asks first, all at once: none of these waits for
// another's answer.
struct Caret {
    explicit Caret(const Element& element)
        : state(element.ask(kAccessible, QStringLiteral("GetState"))),
          selections(element.ask(kText, QStringLiteral("GetNSelections"))),
          firstSelection(element.ask(kText, QStringLiteral("GetSelection"), {0})),
          caret(element.textProperty(QStringLiteral("CaretOffset"))),
          length(element.textProperty(QStringLiteral("CharacterCount"))) {}

    QDBusPendingCall state;
    QDBusPendingCall selections;
    QDBusPendingCall firstSelection;
    QDBusPendingCall caret;
    QDBusPendingCall length;
};

} // namespace AtspiQuestions
