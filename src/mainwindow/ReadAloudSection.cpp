#include "mainwindow/ReadAloudSection.h"

#include "looks/TintedSymbol.h"
#include "reader/ReadAloudStore.h"
#include "support/Text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kArrowSize = 12;
constexpr int kTrashSize = 14;

} // namespace

ReadAloudSection::ReadAloudSection(ReadAloudStore& store, PlayButton::Speak speak, QWidget* parent)
    : QWidget(parent), m_store(store), m_speak(std::move(speak)), m_word(new QLineEdit(this)),
      m_sayAs(new QLineEdit(this)), m_play(new PlayButton(m_speak, this)), m_add(new QPushButton(tr("Add"), this)),
      m_rowColumn(new QVBoxLayout) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kSpacing);

    auto* input = new QHBoxLayout;
    input->setSpacing(kSpacing);
    m_word->setPlaceholderText(tr("Word"));
    m_word->setFixedWidth(kWordWidth);
    m_sayAs->setPlaceholderText(tr("Say it like"));
    auto* arrow = new QLabel(this);
    QColor tertiary = palette().color(QPalette::WindowText);
    tertiary.setAlphaF(0.3f);
    arrow->setPixmap(TintedSymbol::pixmap(QStringLiteral("arrow.right"), kArrowSize, tertiary, devicePixelRatioF()));
    arrow->setAccessibleName(QString());
    m_add->setAutoDefault(false);
    m_add->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border-radius: 5px; padding: 3px 12px; }"
                       "QPushButton:disabled { background: rgba(128,128,128,90); }")
            .arg(PlayButton::ember().name()));
    input->addWidget(m_word);
    input->addWidget(arrow);
    input->addWidget(m_sayAs, 1);
    input->addWidget(m_play);
    input->addWidget(m_add);
    column->addLayout(input);

    m_rowColumn->setSpacing(4);
    column->addLayout(m_rowColumn);

    auto* help =
        new QLabel(tr("Type a word, then how it should sound, written as one word. Press play to hear it before "
                      "you add it. Anything not listed is read as written."),
                   this);
    help->setWordWrap(true);
    QFont caption = help->font();
    caption.setPixelSize(11);
    help->setFont(caption);
    help->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(help);

    connect(m_word, &QLineEdit::textChanged, this, &ReadAloudSection::fieldsChanged);
    connect(m_sayAs, &QLineEdit::textChanged, this, &ReadAloudSection::fieldsChanged);
    connect(m_add, &QPushButton::clicked, this, &ReadAloudSection::add);
    connect(&m_store, &ReadAloudStore::entriesChanged, this, &ReadAloudSection::rebuildRows);
    fieldsChanged();
    rebuildRows();
}

void ReadAloudSection::fieldsChanged() {
    const QString word = m_word->text();
    const QString sayAs = m_sayAs->text();
    m_play->setText(sayAs.isEmpty() ? word : sayAs);
    m_play->setEnabled(!word.isEmpty() || !sayAs.isEmpty());
    m_add->setEnabled(!Text::trimmedOfBlanks(word).isEmpty() && !Text::trimmedOfBlanks(sayAs).isEmpty());
}

void ReadAloudSection::add() {
    m_store.add(m_word->text(), m_sayAs->text());
    m_word->clear();
    m_sayAs->clear();
}

void ReadAloudSection::rebuildRows() {
    for (QWidget* row : std::as_const(m_rows)) {
        // Out of the layout at once; deleted later, as a row's own button may be
        // the sender.
        m_rowColumn->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    QColor fill = PlayButton::ember();
    fill.setAlphaF(0.1f);
    for (const ReadAloudEntry& entry : m_store.entries()) {
        auto* row = new QWidget(this);
        row->setObjectName(QStringLiteral("readAloudRow"));
        row->setAttribute(Qt::WA_StyledBackground);
        row->setStyleSheet(QStringLiteral("#readAloudRow { background: rgba(%1, %2, %3, %4); border-radius: %5px; }")
                               .arg(fill.red())
                               .arg(fill.green())
                               .arg(fill.blue())
                               .arg(fill.alpha())
                               .arg(kRowRadius));
        row->setAccessibleName(entry.word);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(8, 4, 8, 4);
        line->setSpacing(kSpacing);
        QFont medium = font();
        medium.setWeight(QFont::Medium);
        auto* word = new QLabel(entry.word, row);
        word->setTextFormat(Qt::PlainText);
        word->setFont(medium);
        auto* readsAs = new QLabel(tr("reads as"), row);
        readsAs->setForegroundRole(QPalette::PlaceholderText);
        auto* sayAs = new QLabel(entry.sayAs, row);
        sayAs->setTextFormat(Qt::PlainText);
        sayAs->setFont(medium);
        auto* play = new PlayButton(m_speak, row);
        play->setText(entry.sayAs);
        auto* remove = new QToolButton(row);
        remove->setAutoRaise(true);
        remove->setIcon(QIcon(TintedSymbol::pixmap(QStringLiteral("trash"), kTrashSize,
                                                   palette().color(QPalette::WindowText), devicePixelRatioF())));
        remove->setToolTip(tr("Remove"));
        remove->setAccessibleName(tr("Remove how %1 is read").arg(entry.word));
        remove->setStyleSheet(QStringLiteral("QToolButton { border: none; }"));
        const ReadAloudEntry removed = entry;
        connect(remove, &QToolButton::clicked, this, [this, removed] { m_store.remove(removed); });
        line->addWidget(word);
        line->addWidget(readsAs);
        line->addWidget(sayAs);
        line->addStretch(1);
        line->addWidget(play);
        line->addWidget(remove);
        m_rowColumn->addWidget(row);
        m_rows.append(row);
    }
}
