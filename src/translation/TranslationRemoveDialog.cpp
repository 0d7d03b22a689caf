#include "translation/TranslationRemoveDialog.h"

#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "translation/TranslationInstallDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

TranslationRemoveDialog::TranslationRemoveDialog(QList<Language> languages, Check check, QWidget* parent)
    : QDialog(parent), m_languages(std::move(languages)), m_check(std::move(check)) {
    setWindowTitle(QStringLiteral("Remove a Language"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);
    auto* intro = new QLabel(m_languages.isEmpty()
                                 ? QStringLiteral("None of the ready languages comes from a package Quorvane knows, so "
                                                  "remove it the way it was installed.")
                                 : QStringLiteral("Each language is an Apertium language pair, and removing a package "
                                                  "needs administrator rights, so Quorvane leaves it to you. Run this "
                                                  "in a terminal, then click Check Again:"),
                             this);
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);
    layout->addWidget(intro);
    m_picker = new QComboBox(this);
    m_picker->setObjectName(QStringLiteral("language"));
    for (const Language& language : std::as_const(m_languages))
        m_picker->addItem(language.name, language.code);
    m_picker->setVisible(m_languages.size() > 1);
    layout->addWidget(m_picker);
    m_command = TranslationInstallDialog::commandLabel(QString(), this);
    m_command->setVisible(!m_languages.isEmpty());
    layout->addWidget(m_command);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    layout->addWidget(m_status);
    auto* buttons = new QHBoxLayout;
    auto* copy = new QPushButton(QStringLiteral("Copy Command"), this);
    auto* again = new QPushButton(QStringLiteral("Check Again"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    copy->setEnabled(!m_languages.isEmpty());
    again->setEnabled(!m_languages.isEmpty());
    again->setDefault(true);
    buttons->addWidget(copy);
    buttons->addStretch(1);
    buttons->addWidget(close);
    buttons->addWidget(again);
    layout->addLayout(buttons);
    connect(m_picker, &QComboBox::currentIndexChanged, this, &TranslationRemoveDialog::showCommand);
    connect(copy, &QPushButton::clicked, this, &TranslationRemoveDialog::copyCommand);
    connect(again, &QPushButton::clicked, this, &TranslationRemoveDialog::checkAgain);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(440);
    showCommand();
}

QString TranslationRemoveDialog::choice() const { return m_picker->currentData().toString(); }

QString TranslationRemoveDialog::command() const { return m_command->text(); }

void TranslationRemoveDialog::choose(const QString& code) {
    const int index = m_picker->findData(code);
    if (index >= 0)
        m_picker->setCurrentIndex(index);
}

void TranslationRemoveDialog::showCommand() {
    const int index = m_picker->currentIndex();
    m_command->setText(index >= 0 ? m_languages.at(index).command : QString());
    m_status->clear();
}

void TranslationRemoveDialog::copyCommand() {
    if (command().isEmpty())
        return;
    if (Pasteboard* pasteboard = Platform::current().pasteboard)
        pasteboard->writeText(command(), false);
    m_status->setText(QStringLiteral("Copied."));
}

void TranslationRemoveDialog::checkAgain() {
    const QString code = choice();
    if (!m_check || code.isEmpty())
        return;
    m_status->setText(QStringLiteral("Checking\u2026"));
    m_check(code, [self = QPointer<TranslationRemoveDialog>(this), code](bool gone) {
        if (!self || self->choice() != code)
            return;
        if (gone)
            self->accept();
        else
            self->m_status->setText(QStringLiteral("Still installed."));
    });
}
