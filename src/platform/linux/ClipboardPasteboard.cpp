#include "platform/linux/ClipboardPasteboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTimer>

namespace {

const QString kPng = QStringLiteral("image/png");

// Formats that are views of another format rather than data of their own.
bool isDerivedFormat(const QString& format) {
    return format == QLatin1String("application/x-qt-image");
}

// Clipboard data that reports when an application asks for it.
class WatchedMimeData : public QMimeData {
public:
    explicit WatchedMimeData(std::function<void(QMimeData*)> fetched) : m_fetched(std::move(fetched)) {}

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override {
        if (m_fetched)
            m_fetched(const_cast<WatchedMimeData*>(this));
        return QMimeData::retrieveData(format, type);
    }

private:
    std::function<void(QMimeData*)> m_fetched;
};

QClipboard* clipboard() { return QGuiApplication::clipboard(); }

} // namespace

ClipboardPasteboard::ClipboardPasteboard() {
    connect(clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            onChanged();
    });
}

bool ClipboardPasteboard::stillOurs() const {
    // Once another application owns the clipboard, QClipboard hands out a
    // stand-in for its data rather than ours.
    return m_ours && clipboard()->mimeData(QClipboard::Clipboard) == m_ours;
}

void ClipboardPasteboard::onChanged() {
    if (m_writing || (m_ours && stillOurs()))
        return;
    ++m_count;
    m_ours = nullptr;
    m_waiting.clear();
}

qint64 ClipboardPasteboard::changeCount() {
    // Losing the clipboard may not have been signalled yet.
    if (m_ours && !stillOurs())
        onChanged();
    return m_count;
}

Pasteboard::Snapshot ClipboardPasteboard::snapshot() {
    const QMimeData* data = clipboard()->mimeData(QClipboard::Clipboard);
    if (!data)
        return {};
    Item item;
    const QStringList formats = data->formats();
    for (const QString& format : formats) {
        if (isDerivedFormat(format))
            continue;
        const QByteArray bytes = data->data(format);
        if (!bytes.isEmpty())
            item.append({format, bytes});
    }
    // An image held only as an image object (written by this program) is kept as PNG.
    if (data->hasImage() && !formats.contains(kPng)) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG"))
            item.append({kPng, png});
    }
    return item.isEmpty() ? Snapshot() : Snapshot{item};
}

void ClipboardPasteboard::clear() {
    // Only the owner gives the clipboard up; clearing another's would take it.
    if (stillOurs())
        clipboard()->clear(QClipboard::Clipboard);
    ++m_count;
    m_ours = nullptr;
    m_waiting.clear();
}

void ClipboardPasteboard::restore(const Snapshot& items) {
    auto* data = new WatchedMimeData([this](QMimeData* d) { onFetched(d); });
    // The X clipboard holds one item: the first item's version of a format wins.
    for (const Item& item : items)
        for (const auto& [format, bytes] : item)
            if (!bytes.isEmpty() && !data->hasFormat(format))
                data->setData(format, bytes);
    // Also as an image object, so that this program's own readers see the image.
    if (data->hasFormat(kPng) && !data->hasImage()) {
        const QImage image = QImage::fromData(data->data(kPng), "PNG");
        if (!image.isNull())
            data->setImageData(image);
    }
    if (data->formats().isEmpty()) {
        delete data;
        clear();
        return;
    }
    take(data);
}

void ClipboardPasteboard::writeText(const QString& text, bool transient) {
    auto* data = new WatchedMimeData([this](QMimeData* d) { onFetched(d); });
    data->setText(text);
    if (transient) {
        // Clipboard managers skip data marked as a password, and some look for
        // the transient and concealed types instead.
        data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
        data->setData(QStringLiteral("org.nspasteboard.TransientType"), QByteArray());
        data->setData(QStringLiteral("org.nspasteboard.ConcealedType"), QByteArray());
    }
    take(data);
}

void ClipboardPasteboard::take(QMimeData* data) {
    m_writing = true;
    clipboard()->setMimeData(data, QClipboard::Clipboard);
    m_writing = false;
    ++m_count;
    m_ours = data;
    m_fetched = false;
    m_waiting.clear();
}

void ClipboardPasteboard::whenFetched(std::function<void()> done) {
    if (!m_ours)
        return;
    if (m_fetched)
        done();
    else
        m_waiting << std::move(done);
}

void ClipboardPasteboard::onFetched(QMimeData* data) {
    if (data != m_ours || m_fetched)
        return;
    m_fetched = true;
    // Let the transfer that asked finish before anyone replaces the data.
    QTimer::singleShot(0, this, [this, data] {
        if (data != m_ours)
            return;
        const auto waiting = std::exchange(m_waiting, {});
        for (const auto& done : waiting)
            done();
    });
}
