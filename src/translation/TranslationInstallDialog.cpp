#include "translation/TranslationInstallDialog.h"

#include "platform/Pasteboard.h"
#include "platform/Platform.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

TranslationInstallDialog::TranslationInstallDialog(const QString& language, const QString& command,
                                                   std::function<void(std::function<void(bool)>)> check,
                                                   QWidget* parent)
    : QDialog(parent), m_command(command), m_check(std::move(check)) {
    setWindowTitle(QStringLiteral("Add ") + language);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);
    auto* intro = new QLabel(QStringLiteral("Installing a language needs administrator rights, so Quorvane leaves it "
                                            "to you. Run this in a terminal, then click Check Again:"),
                             this);
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);
    layout->addWidget(intro);
    layout->addWidget(commandLabel(command, this));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    layout->addWidget(m_status);
    auto* buttons = new QHBoxLayout;
    auto* copy = new QPushButton(QStringLiteral("Copy Command"), this);
    auto* again = new QPushButton(QStringLiteral("Check Again"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    again->setDefault(true);
    buttons->addWidget(copy);
    buttons->addStretch(1);
    buttons->addWidget(close);
    buttons->addWidget(again);
    layout->addLayout(buttons);
    connect(copy, &QPushButton::clicked, this, &TranslationInstallDialog::copyCommand);
    connect(again, &QPushButton::clicked, this, &TranslationInstallDialog::checkAgain);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(440);
}

QLabel* TranslationInstallDialog::commandLabel(const QString& command, QWidget* parent) {
    auto* shown = new QLabel(command, parent);
    shown->setObjectName(QStringLiteral("command"));
    shown->setTextFormat(Qt::PlainText);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(13);
    shown->setFont(mono);
    shown->setStyleSheet(
        QStringLiteral("QLabel { padding: 8px; border-radius: 6px; background: rgba(127,127,127,0.15); }"));
    return shown;
}

void TranslationInstallDialog::copyCommand() {
    if (Pasteboard* pasteboard = Platform::current().pasteboard)
        pasteboard->writeText(m_command, false);
    else if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(m_command);
    m_status->setText(QStringLiteral("Copied."));
}

void TranslationInstallDialog::checkAgain() {
    if (!m_check)
        return;
    m_status->setText(QStringLiteral("Checking\u2026"));
    m_check([self = QPointer<TranslationInstallDialog>(this)](bool installed) {
        if (!self)
            return;
        if (installed)
            self->accept();
        else
            self->m_status->setText(QStringLiteral("Not installed yet."));
    });
}
