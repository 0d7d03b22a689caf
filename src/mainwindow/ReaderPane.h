#pragma once

#include "looks/PlayButton.h"
#include "looks/SettingsForm.h"
#include "looks/ShadeChoice.h"

#include <functional>

class Defaults;
struct PageServices;
class QAbstractButton;
class QLabel;
class QPushButton;
class QCheckBox;
class QRadioButton;
class ReadAloudSection;
class ReadAloudStore;

// The Reader page: the reading voice, the pronunciation list, whether a
// reading happens in the read-along window (and its page shade), and hover
// reading, which its switch starts and stops at once. GUI thread only.
class ReaderPane : public SettingsForm {
    Q_OBJECT
public:
    static inline const QString kHoverReadEnabled = QStringLiteral("hoverReadEnabled");
    static inline const QString kReadAlongWindow = QStringLiteral("readAlongWindow");
    static inline const QString kReaderShade = QStringLiteral("readerShade");

    struct Services {
        Defaults* defaults = nullptr;
        ReadAloudStore* readings = nullptr;
        PlayButton::Speak speak;
        std::function<void()> startHover;
        std::function<void()> stopHover;
        // Builds the voice picker; none shows the section without it.
        std::function<QWidget*()> voicePicker;
        // The desktop's pointer and dwell settings; an empty entry disables the button.
        std::function<void()> openDwellSettings;

        // The shared settings and actions, and the program's reading services.
        static Services standard(const PageServices& program);
    };

    explicit ReaderPane(Services services, QWidget* parent = nullptr);

    ReadAloudSection* readAloudSection() const { return m_readAloud; }
    QRadioButton* justRead() const { return m_justRead; }
    QRadioButton* followAlong() const { return m_followAlong; }
    QWidget* shadeRow() const { return m_shadeRow; }
    QList<QAbstractButton*> shadeButtons() const { return m_shades->buttons(); }
    QLabel* quietHelp() const { return m_quietHelp; }
    QCheckBox* hoverToggle() const { return m_hover; }
    QPushButton* dwellButton() const { return m_dwell; }

private:
    void showReadAlong();
    void hoverSwitched();

    Services m_services;
    ReadAloudSection* m_readAloud = nullptr;
    QRadioButton* m_justRead = nullptr;
    QRadioButton* m_followAlong = nullptr;
    QWidget* m_shadeRow = nullptr;
    ShadeChoice* m_shades = nullptr;
    QLabel* m_quietHelp = nullptr;
    QList<QLabel*> m_windowHelp;
    QCheckBox* m_hover = nullptr;
    QPushButton* m_dwell = nullptr;
    QLabel* m_dwellHelp = nullptr;
};
