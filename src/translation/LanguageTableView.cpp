#include "translation/LanguageTableView.h"

#include "looks/PixelFont.h"
#include "looks/Symbols.h"
#include "looks/TextColours.h"
#include "translator/TranslationCatalog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

const QColor kOrange = QColor::fromRgbF(1.0f, 0.584f, 0.0f);

QFont sized(qreal pixels, QFont::Weight weight = QFont::Normal, bool monospaced = false) {
    QFont base;
    if (monospaced) {
        base.setFamily(QStringLiteral("monospace"));
        base.setStyleHint(QFont::Monospace);
    }
    return pixelFont(pixels, weight, base);
}

// The palette's text at an opacity: primary 1, secondary .55, tertiary .3, quaternary .18.
QColor textAt(const QWidget* widget, qreal opacity) {
    QColor colour = widget->palette().color(QPalette::WindowText);
    colour.setAlphaF(float(opacity));
    return colour;
}

QLabel* label(const QString& text, const QFont& f, const QColor& colour, QWidget* parent) {
    auto* made = new QLabel(text, parent);
    made->setTextFormat(Qt::PlainText);
    made->setFont(f);
    QPalette palette = made->palette();
    palette.setColor(QPalette::WindowText, colour);
    made->setPalette(palette);
    return made;
}

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, textAt(parent, 0.12));
    line->setPalette(palette);
    return line;
}

QWidget* mark(bool yes, QWidget* parent) {
    if (!yes)
        return label(QStringLiteral("\u2013"), sized(11), textAt(parent, 0.18), parent);
    auto* check = new QLabel(parent);
    QPixmap pixmap = Symbols::icon(QStringLiteral("checkmark")).pixmap(QSize(10, 10), parent->devicePixelRatioF());
    {
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), kOrange);
    }
    check->setPixmap(pixmap);
    return check;
}

// One table line; odd lines are shaded.
class Line : public QWidget {
public:
    Line(const LanguageTable::Row& row, bool shaded, QWidget* parent) : QWidget(parent), m_shaded(shaded) {
        setObjectName(QStringLiteral("line:") + row.id);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(16, 5, 16, 5);
        layout->setSpacing(0);
        auto* nameCell = new QWidget(this);
        nameCell->setFixedWidth(LanguageTableView::kNameColumn);
        auto* nameRow = new QHBoxLayout(nameCell);
        nameRow->setContentsMargins(0, 0, 0, 0);
        nameRow->setSpacing(5);
        nameRow->addWidget(label(row.name, sized(12.5), textAt(this, 1.0), nameCell));
        if (row.ownVoice) {
            auto* dot = new QWidget(nameCell);
            dot->setObjectName(QStringLiteral("ownVoice"));
            dot->setFixedSize(4, 4);
            nameRow->addWidget(dot);
            m_dot = dot;
        }
        nameRow->addStretch(1);
        layout->addWidget(nameCell);
        for (bool value : {row.talk, row.read, row.translate})
            layout->addWidget(mark(value, this), 1, Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (m_shaded)
            painter.fillRect(rect(), textAt(this, 0.035));
        if (m_dot) {
            painter.setRenderHint(QPainter::Antialiasing);
            QColor fill = kOrange;
            fill.setAlphaF(0.55f);
            painter.setPen(Qt::NoPen);
            painter.setBrush(fill);
            const QPoint at = m_dot->mapTo(this, QPoint(0, 0));
            painter.drawEllipse(QRectF(at, QSizeF(4, 4)));
        }
    }

private:
    bool m_shaded;
    QWidget* m_dot = nullptr;
};

QWidget* separator(QWidget* parent) {
    auto* holder = new QWidget(parent);
    holder->setObjectName(QStringLiteral("separator"));
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(16, 9, 16, 5);
    layout->setSpacing(7);
    layout->addWidget(label(QStringLiteral("Everything above does all three"), sized(9.5, QFont::Medium, true),
                            textAt(parent, TextColours::kTertiary), holder));
    auto* rule = new QWidget(holder);
    rule->setFixedHeight(1);
    rule->setAutoFillBackground(true);
    QPalette palette = rule->palette();
    palette.setColor(QPalette::Window, textAt(parent, 0.1));
    rule->setPalette(palette);
    layout->addWidget(rule, 1);
    return holder;
}

} // namespace

LanguageTableView::LanguageTableView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSize);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    auto* title = new QWidget(this);
    auto* titleStack = new QVBoxLayout(title);
    titleStack->setContentsMargins(16, 14, 16, 10);
    titleStack->setSpacing(3);
    titleStack->addWidget(
        label(QStringLiteral("Which languages do what"), sized(14, QFont::DemiBold), textAt(this, 1.0), title));
    m_subtitle = label(QString(), sized(11.5), textAt(this, TextColours::kSecondary), title);
    m_subtitle->setObjectName(QStringLiteral("subtitle"));
    titleStack->addWidget(m_subtitle);
    stack->addWidget(title);

    auto* header = new QWidget(this);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(16, 0, 16, 7);
    headerRow->setSpacing(0);
    auto* blank = new QWidget(header);
    blank->setFixedWidth(kNameColumn);
    headerRow->addWidget(blank);
    for (const char* column : {"Talk", "Read", "Translate"}) {
        QFont f = sized(9, QFont::DemiBold, true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
        headerRow->addWidget(
            label(QString::fromLatin1(column).toUpper(), f, textAt(this, TextColours::kSecondary), header), 1,
            Qt::AlignCenter);
    }
    stack->addWidget(header);
    stack->addWidget(divider(this));

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* lines = new QWidget(scroll);
    m_lines = new QVBoxLayout(lines);
    m_lines->setContentsMargins(0, 0, 0, 0);
    m_lines->setSpacing(0);
    m_lines->addStretch(1);
    scroll->setWidget(lines);
    stack->addWidget(scroll, 1);
    stack->addWidget(divider(this));

    auto* footnote =
        label(QStringLiteral("A dash under Talk means Quorvane cannot write down that language yet. It can "
                             "still read it out loud and turn it into another."),
              sized(10.5), textAt(this, TextColours::kTertiary), this);
    footnote->setWordWrap(true);
    footnote->setContentsMargins(16, 10, 16, 10);
    stack->addWidget(footnote);
    fill({});
}

void LanguageTableView::fill(const QList<LanguageTable::Row>& rows) {
    if (!m_rows.isEmpty())
        return;
    m_rows = rows;
    const qsizetype complete = LanguageTable::completeCount(m_rows);
    m_subtitle->setText(QStringLiteral("The first %1 do everything. Find yours and read across.").arg(complete));
    QWidget* holder = m_lines->parentWidget();
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_lines->insertWidget(m_lines->count() - 1, new Line(m_rows.at(i), i % 2 == 1, holder));
        if (i == complete - 1)
            m_lines->insertWidget(m_lines->count() - 1, separator(holder));
    }
}

void LanguageTableView::showEvent(QShowEvent* event) {
    if (m_rows.isEmpty() && !m_asked) {
        m_asked = true;
        LanguageTable::voiceLanguages().then(this, [this](const QSet<QString>& voices) {
            fill(LanguageTable::build(voices, TranslationCatalog::shared().targets()));
        });
    }
    QWidget::showEvent(event);
}
