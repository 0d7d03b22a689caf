#include "looks/Alert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Marks a box that goes away unanswered, so its close reports no button.
const char* const kDismissed = "quorvaneDismissed";

int boundedIndex(int index, qsizetype count, int fallback) {
    return index >= 0 && index < count ? index : fallback;
}

} // namespace

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
        box->setText(alert.title);
        box->setInformativeText(alert.text);
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
