#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Defaults;
#include <QWidget>
class TranslationCatalog;

// The small floating bar at the bottom centre of the screen under the pointer
// that shows which language a highlighted passage is read from and into while
// it is read translated. A click opens a list to hear the passage again in
// another language, keep the language as the default, or add a language. The
// panel is made on first show and reused; it never takes the focus. Every
// change of the hide timer replaces the pending one. GUI thread only.
class TranslateBar : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString sourceName READ sourceName NOTIFY contentChanged)
    Q_PROPERTY(QString targetCode READ targetCode NOTIFY contentChanged)
    Q_PROPERTY(bool expanded READ expanded NOTIFY contentChanged)
public:
    static constexpr std::chrono::seconds kShownFor{120};
    static constexpr std::chrono::seconds kAfterChoosing{6};
    static constexpr std::chrono::seconds kAfterKeeping{4};
    static constexpr std::chrono::seconds kAfterCollapsing{5};
    // A content size under this has not been laid out yet…
    static constexpr QSize kUnlaidSize{60, 20};
    // …and the panel takes at least this size.
    static constexpr QSize kFallbackSize{240, 34};
    // Gap between the panel and the bottom of the screen's available area.
    static constexpr int kBottomGap = 34;

    using Later = std::function<void(std::chrono::milliseconds delay, QObject* context, std::function<void()> task)>;

    struct Screen {
        QRect frame;
        QRect available;
    };

    struct Services {
        Defaults* defaults = nullptr;
        TranslationCatalog* catalog = nullptr;
        Later later;
        // The screens, and the main one (nothing when there is none).
        std::function<QList<Screen>()> screens;
        std::function<std::optional<Screen>()> mainScreen;
        std::function<QPoint()> pointer;
        std::function<void(const QString& line)> trace;
        // Tells `answered` whether the selection's rectangle on screen can be
        // read, without waiting for the application that holds it.
        std::function<void(std::function<void(bool has)> answered)> hasSelectionRect;
        // Whether a window is on the desktop the user is on.
        std::function<bool(const QWidget&)> onCurrentDesktop;

        static Services standard();
    };

    // What the bar's rows do outside the bar; a missing one does nothing (the
    // "Add a language…" row shows disabled).
    struct Peers {
        // Reads `passage` again translated into `code`.
        std::function<void(const QString& passage, const QString& code)> readAgain;
        std::function<void()> openTranslationPage;
    };

    // The content size the panel takes for the content's fitting size.
    static QSize fitted(QSize hint);
    // Where the panel's top-left corner goes: bottom centre of the available
    // area of the first screen whose frame holds the pointer, else of the main
    // screen; nothing when there is neither.
    static std::optional<QPoint> origin(const QList<Screen>& screens, const std::optional<Screen>& mainScreen,
                                        QPoint pointer, QSize panel);

    explicit TranslateBar(Services services, QObject* parent = nullptr);
    ~TranslateBar() override;

    void setPeers(Peers peers);
    const Peers& peers() const { return m_peers; }

    QString sourceName() const { return m_sourceName; }
    QString targetCode() const { return m_targetCode; }
    bool expanded() const { return m_expanded; }
    QString passage() const { return m_passage; }
    // The catalogue's reading languages and the current target, in candidate order.
    QStringList offered() const;
    // Whether the "Keep … as the default" row is shown.
    bool offersKeep() const;

    // The panel, once made.
    QWidget* panel() const { return m_panel.data(); }
    bool isVisible() const;
    bool hideTimerArmed() const { return m_hideToken != 0; }

    void show(const QString& passage, const QString& source, const QString& target);
    void hide();
    void armHide(std::chrono::milliseconds after);
    void choose(const QString& code);
    void keepAsDefault();
    void toggleExpanded();
    // The "Add a language…" row.
    void addLanguage();

signals:
    void contentChanged();

private:
    void setExpanded(bool expanded);
    void makePanel();
    void fitAndPlace();
    void cancelHide();

    Services m_services;
    Peers m_peers;
    QString m_sourceName;
    QString m_targetCode;
    bool m_expanded = false;
    QString m_passage;
    QPointer<QWidget> m_panel;
    // Non-zero while a hide is pending; a timer whose token is no longer current does nothing.
    quint64 m_hideToken = 0;
    quint64 m_nextToken = 0;
};
