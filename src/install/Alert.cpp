#include "install/Alert.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

AlertPresenter messageBoxPresenter() {
    return [](const Alert& alert, std::function<void(int)> answered) {
        auto* box = new QMessageBox();
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setIcon(alert.style == Alert::Style::Informational ? QMessageBox::Information
                     : alert.style == Alert::Style::Warning     ? QMessageBox::Warning
                                                                : QMessageBox::Critical);
        box->setWindowTitle(QStringLiteral("Quorvane"));
        box->setText(alert.title);
        box->setInformativeText(alert.text);
        QList<QAbstractButton*> buttons;
        for (const QString& title : alert.buttons)
            buttons.append(box->addButton(title, QMessageBox::AcceptRole));
        if (buttons.isEmpty())
            buttons.append(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
        const int returnIndex = alert.returnButton >= 0 && alert.returnButton < buttons.size() ? alert.returnButton : 0;
        box->setDefaultButton(qobject_cast<QPushButton*>(buttons[returnIndex]));
        QObject::connect(box, &QMessageBox::finished, box, [box, buttons, answered = std::move(answered)](int) {
            if (answered)
                answered(int(buttons.indexOf(box->clickedButton())));
        });
        box->open();
        box->raise();
        box->activateWindow();
    };
}
