#include "hotkeys/HotkeyRecorderField.h"

#include "hotkeys/HotkeyManager.h"
#include "looks/TextColours.h"
#include "platform/Hotkeys.h"
#include "platform/Platform.h"
#include "platform/Wording.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

struct NamedKey {
    int code;
    const char* name;
};

constexpr NamedKey kNamedKeys[] = {
    {122, "F1"},  {120, "F2"},    {99, "F3"},   {118, "F4"},     {96, "F5"},      {97, "F6"},      {98, "F7"},
    {100, "F8"},  {101, "F9"},    {109, "F10"}, {103, "F11"},    {111, "F12"},    {105, "F13"},    {107, "F14"},
    {113, "F15"}, {106, "F16"},   {64, "F17"},  {79, "F18"},     {80, "F19"},     {49, "Space"},   {36, "Return"},
    {48, "Tab"},  {51, "Delete"}, {53, "Esc"},  {123, "\u2190"}, {124, "\u2192"}, {125, "\u2193"}, {126, "\u2191"},
};

// What a US keyboard prints at the stored codes 0x00 to 0x32, for when the
// current layout can't say; a blank is a key named above or none at all.
constexpr char kUsLayout[] = "ASDFHGZXCV BQWERYT123465=97-80]OU[IP LJ'K;\\,/NM.  `";
static_assert(sizeof kUsLayout - 1 == 0x33);

constexpr int kCommand = 0x100;
constexpr int kShift = 0x200;
constexpr int kOption = 0x800;
constexpr int kControl = 0x1000;

bool isModifierOnly(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace

HotkeyRecorderField::HotkeyRecorderField(const QString& label, int keyCode, int modifiers, HotkeyManager* grabs,
                                         QWidget* parent)
    : QWidget(parent), m_label(new QLabel(label, this)), m_button(new QPushButton(this)), m_keyCode(keyCode),
      m_modifiers(modifiers), m_grabs(grabs) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_label);
    row->addStretch();
    row->addWidget(m_button);
    m_button->setMinimumWidth(110);
    connect(m_button, &QPushButton::clicked, this, &HotkeyRecorderField::clicked);
    refresh();
}

HotkeyRecorderField::~HotkeyRecorderField() { stopRecording(); }

QString HotkeyRecorderField::describe(int keyCode, int modifiers) {
    QString text;
    if (modifiers & kControl)
        text += QStringLiteral("\u2303");
    if (modifiers & kOption)
        text += QStringLiteral("\u2325");
    if (modifiers & kShift)
        text += QStringLiteral("\u21e7");
    if (modifiers & kCommand)
        text += QStringLiteral("\u2318");
    return text + keyName(keyCode);
}

QString HotkeyRecorderField::keyName(int code) {
    for (const NamedKey& key : kNamedKeys)
        if (key.code == code)
            return QString::fromUtf8(key.name);
    if (code >= 0 && code <= 0xFFFF) {
        if (Hotkeys* keys = Platform::current().hotkeys) {
            const QString printed = keys->layoutText(quint32(code)).left(4);
            if (!printed.isEmpty())
                return printed.toUpper();
        }
    }
    if (code >= 0 && code < int(sizeof kUsLayout) - 1 && kUsLayout[code] != ' ')
        return QString(QLatin1Char(kUsLayout[code]));
    return QStringLiteral("Key ") + QString::number(code);
}

int HotkeyRecorderField::modifierMask(Qt::KeyboardModifiers modifiers) {
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= kShift;
    if (modifiers & Qt::ControlModifier)
        mask |= kControl;
    if (modifiers & Qt::AltModifier)
        mask |= kOption;
    if (modifiers & Qt::MetaModifier)
        mask |= kCommand;
    return mask;
}

void HotkeyRecorderField::clicked() {
    if (m_recording)
        stopRecording();
    else
        startRecording();
}

void HotkeyRecorderField::startRecording() {
    m_recording = true;
    if (m_grabs)
        m_grabs->suspend();
    if (qApp) {
        qApp->installEventFilter(this);
        m_monitorInstalled = true;
    }
    refresh();
}

void HotkeyRecorderField::stopRecording() {
    if (m_recording && m_grabs)
        m_grabs->resume();
    m_recording = false;
    if (m_monitorInstalled && qApp)
        qApp->removeEventFilter(this);
    m_monitorInstalled = false;
    refresh();
}

bool HotkeyRecorderField::eventFilter(QObject* watched, QEvent* event) {
    if (!m_recording || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (isModifierOnly(key->key()))
        return false;
    Hotkeys* keys = Platform::current().hotkeys;
    const std::optional<quint32> code = keys ? keys->keyCodeForNative(key->nativeScanCode()) : std::nullopt;
    if (!code)
        return false;
    m_keyCode = int(*code);
    m_modifiers = modifierMask(key->modifiers());
    stopRecording();
    emit edited(m_keyCode, m_modifiers);
    return true;
}

void HotkeyRecorderField::hideEvent(QHideEvent* event) {
    if (m_recording)
        stopRecording();
    QWidget::hideEvent(event);
}

void HotkeyRecorderField::refresh() {
    m_button->setText(m_recording ? QStringLiteral("Press keys...") : Wording::of(describe(m_keyCode, m_modifiers)));
    m_button->setStyleSheet(
        m_recording ? QStringLiteral("QPushButton { color: %1; }").arg(TextColours::orange(m_button->palette()).name())
                    : QString());
}
