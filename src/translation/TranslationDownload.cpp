#include "translation/TranslationDownload.h"

#include "looks/TextColours.h"
#include "platform/OnDeviceTranslator.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "translation/TranslationInstallDialog.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

TranslationDownload::Services TranslationDownload::Services::standard() {
    Services services;
    services.catalog = &TranslationCatalog::shared();
    services.typeTarget = [] { return Translator::typeTarget(); };
    services.installable = [](const QString& source, const QString& target) {
        OnDeviceTranslator* translator = Platform::current().onDeviceTranslator;
        return translator && translator->status(source, target) == OnDeviceTranslator::PairStatus::Supported;
    };
    services.installCommand = [](const QString& source, const QString& target) -> std::optional<QString> {
        OnDeviceTranslator* translator = Platform::current().onDeviceTranslator;
        return translator ? translator->installCommand(source, target) : std::nullopt;
    };
    services.showDialog = [](QWidget* parent, const QString& code, const QString& command,
                             std::function<void()> closed) {
        auto check = [code](std::function<void(bool)> answer) {
            TranslationCatalog& catalog = TranslationCatalog::shared();
            catalog.refresh(true).then(&catalog,
                                       [code, answer, &catalog] { answer(catalog.sources().contains(code)); });
        };
        auto* dialog = new TranslationInstallDialog(Translator::displayName(code), command, check, parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &QDialog::finished, dialog, [closed] { closed(); });
        dialog->open();
    };
    return services;
}

QStringList TranslationDownload::addable(const QStringList& sources, const QString& target,
                                         const std::function<bool(const QString&, const QString&)>& installable) {
    QStringList codes;
    for (const QString& code : TranslationCatalog::candidates()) {
        // English is the pivot every pack covers; the target needs no pack of its own.
        if (code == QLatin1String("en") || code == target || sources.contains(code))
            continue;
        if (installable && installable(code, target))
            codes.append(code);
    }
    std::stable_sort(codes.begin(), codes.end(), [](const QString& a, const QString& b) {
        return Translator::displayName(a) < Translator::displayName(b);
    });
    return codes;
}

QStringList TranslationDownload::unpaired(const QStringList& sources, const QString& target,
                                          const std::function<bool(const QString&, const QString&)>& installable) {
    const QStringList offered = addable(sources, target, installable);
    QStringList codes;
    for (const QString& code : TranslationCatalog::candidates())
        if (code != QLatin1String("en") && code != target && !sources.contains(code) && !offered.contains(code))
            codes.append(code);
    std::stable_sort(codes.begin(), codes.end(), [](const QString& a, const QString& b) {
        return Translator::displayName(a) < Translator::displayName(b);
    });
    return codes;
}

TranslationDownload::TranslationDownload(Services services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* header = new QLabel(QStringLiteral("Add a language"), this);
    QFont bold = header->font();
    bold.setWeight(QFont::DemiBold);
    header->setFont(bold);
    layout->addWidget(header);

    m_row = new QWidget(this);
    auto* row = new QHBoxLayout(m_row);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Language"), m_row));
    m_picker = new QComboBox(m_row);
    m_picker->setObjectName(QStringLiteral("language"));
    row->addWidget(m_picker, 1);
    m_add = new QPushButton(QStringLiteral("Add"), m_row);
    m_add->setObjectName(QStringLiteral("add"));
    row->addWidget(m_add);
    layout->addWidget(m_row);

    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    QFont caption = m_note->font();
    caption.setPixelSize(11);
    m_note->setFont(caption);
    QPalette palette = m_note->palette();
    palette.setColor(QPalette::WindowText, TextColours::secondary(palette));
    m_note->setPalette(palette);
    layout->addWidget(m_note);
    m_unpaired = new QLabel(this);
    m_unpaired->setObjectName(QStringLiteral("unpaired"));
    m_unpaired->setWordWrap(true);
    m_unpaired->setTextFormat(Qt::PlainText);
    m_unpaired->setFont(caption);
    m_unpaired->setPalette(palette);
    layout->addWidget(m_unpaired);

    connect(m_picker, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(m_add, &QPushButton::clicked, this, &TranslationDownload::add);
    if (m_services.catalog)
        connect(m_services.catalog, &TranslationCatalog::sourcesChanged, this, &TranslationDownload::rebuild);
    rebuild();
}

QStringList TranslationDownload::addable() const {
    const QStringList sources = m_services.catalog ? m_services.catalog->sources() : QStringList();
    return addable(sources, m_services.typeTarget(), m_services.installable);
}

QStringList TranslationDownload::unpaired() const {
    const QStringList sources = m_services.catalog ? m_services.catalog->sources() : QStringList();
    return unpaired(sources, m_services.typeTarget(), m_services.installable);
}

QString TranslationDownload::choice() const { return m_picker->currentData().toString(); }

void TranslationDownload::setChoice(const QString& code) {
    const int index = m_picker->findData(code);
    m_picker->setCurrentIndex(std::max(index, 0));
}

void TranslationDownload::rebuild() {
    const QStringList codes = addable();
    const QString chosen = choice();
    {
        const QSignalBlocker quiet(m_picker);
        m_picker->clear();
        m_picker->addItem(QStringLiteral("Choose\u2026"), QString());
        for (const QString& code : codes)
            m_picker->addItem(Translator::displayName(code), code);
        // A choice that has just been installed is kept until the user picks again.
        if (!chosen.isEmpty() && !codes.contains(chosen))
            m_picker->addItem(Translator::displayName(chosen), chosen);
        m_picker->setCurrentIndex(std::max(m_picker->findData(chosen), 0));
    }
    const QStringList missing = unpaired();
    m_row->setVisible(!codes.isEmpty());
    m_note->setText(codes.isEmpty()
                        ? Wording::of(QStringLiteral("Every language Quorvane offers is already on this Mac."))
                        : Wording::of(QStringLiteral("macOS asks you to confirm, then downloads it. It stays on this "
                                                     "Mac and works with no network afterwards. Adding one language "
                                                     "covers both directions with English.")));
    // Languages without a pair package would otherwise just be absent from
    // the list, and "every language is here" would not be true.
    m_note->setVisible(!codes.isEmpty() || missing.isEmpty());
    QStringList names;
    for (const QString& code : missing)
        names << Translator::displayName(code);
    m_unpaired->setText(QStringLiteral("No Apertium language pair links these with %1 on this computer, so they "
                                       "cannot be added: %2.")
                            .arg(Translator::displayName(m_services.typeTarget()), names.join(QStringLiteral(", "))));
    m_unpaired->setVisible(!missing.isEmpty());
    m_add->setText(m_working ? QStringLiteral("Adding\u2026") : QStringLiteral("Add"));
    m_add->setEnabled(!m_working && !choice().isEmpty());
}

void TranslationDownload::add() {
    const QString code = choice();
    if (code.isEmpty() || m_working)
        return;
    const QString target = m_services.typeTarget();
    const std::optional<QString> command =
        m_services.installCommand ? m_services.installCommand(code, target) : std::nullopt;
    m_working = true;
    rebuild();
    if (!command || !m_services.showDialog) {
        requestEnded();
        return;
    }
    m_services.showDialog(this, code, *command, [self = QPointer<TranslationDownload>(this)] {
        if (self)
            self->requestEnded();
    });
}

void TranslationDownload::requestEnded() {
    m_working = false;
    rebuild();
    if (m_services.catalog)
        (void)m_services.catalog->refresh(true);
}
