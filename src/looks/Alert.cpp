#include "looks/Alert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBoundaryFinder>

namespace {

Q_LOGGING_CATEGORY(lcAlert, "quorvane.looks")

// Marks a box that goes away unanswered, so its close reports no button.
const char* const kDismissed = "quorvaneDismissed";

int boundedIndex(int index, qsizetype count, int fallback) { return index >= 0 && index < count ? index : fallback; }

// The alert's text as shown; logs the whole text when it had to be cut.
QString shown(const QString& text, const char* what) {
    const QString bounded = boundedAlertText(text);
    if (bounded != text)
        qCInfo(lcAlert).noquote() << "alert" << what << "cut to" << bounded.size() << "of" << text.size()
                                  << "characters; in full:\n"
                                  << text;
    return bounded;
}

} // namespace

QString boundedAlertText(const QString& text) {
    qsizetype end = text.size();
    qsizetype lines = 1;
    // A closing line break starts no further line.
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n') && ++lines > kAlertMaxLines) {
            end = i;
            break;
        }
    }
    if (end > kAlertMaxCharacters) {
        // The last boundary between characters that fits, so that no
        // surrogate pair or combining sequence is split. The character after
        // the limit is all the finder needs to see.
        const QString head = text.first(kAlertMaxCharacters + 1);
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, head);
        characters.setPosition(kAlertMaxCharacters);
        end = characters.isAtBoundary() ? kAlertMaxCharacters : characters.toPreviousBoundary();
    }
    if (end == text.size())
        return text;
    return text.first(end) + QChar(0x2026);
}

AlertPresenter messageBoxPresenter() {
    return [](const Alert& alert, std::function<void(int)> answered) {
        auto* box = new QMessageBox();
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setObjectName(QStringLiteral("quorvaneAlert"));
        box->setIcon(alert.style == Alert::Style::Informational ? QMessageBox::Information
                     : alert.style == Alert::Style::Warning     ? QMessageBox::Warning
                                                                : QMessageBox::Critical);
        box->setWindowTitle(QStringLiteral("Quorvane"));
        box->setTextFormat(Qt::PlainText);
        box->setText(shown(alert.title, "title"));
        box->setInformativeText(shown(alert.text, "text"));
        // The message box guesses the format of its informative text and
        // would open links in it; every label it made shows plain text.
        for (QLabel* label : box->findChildren<QLabel*>()) {
            label->setTextFormat(Qt::PlainText);
            label->setOpenExternalLinks(false);
        }
        QList<QAbstractButton*> buttons;
        for (const QString& title : alert.buttons)
            buttons.append(box->addButton(title, QMessageBox::AcceptRole));
        if (buttons.isEmpty())
            buttons.append(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
        const auto count = buttons.size();
        box->setDefaultButton(qobject_cast<QPushButton*>(buttons[boundedIndex(alert.returnButton, count, 0)]));
        // Without an escape button a message box refuses to close, and with it
        // the application's quit.
        box->setEscapeButton(buttons[boundedIndex(alert.cancelButton, count, int(count) - 1)]);
        QObject::connect(box, &QMessageBox::finished, box, [box, buttons, answered = std::move(answered)](int) {
            if (!answered)
                return;
            if (box->property(kDismissed).toBool()) {
                answered(-1);
                return;
            }
            // A close by the window's button may not count as a click.
            QAbstractButton* chosen = box->clickedButton() ? box->clickedButton() : box->escapeButton();
            answered(int(buttons.indexOf(chosen)));
        });
        box->open();
        box->raise();
        box->activateWindow();
    };
}

void dismissOpenAlerts() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box || box->objectName() != QLatin1String("quorvaneAlert") || !box->isVisible())
            continue;
        box->setProperty(kDismissed, true);
        box->close();
    }
}
