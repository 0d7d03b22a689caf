#include "mainwindow/LiveControls.h"

#include "mainwindow/LiveSettingsControl.h"
#include "platform/Wording.h"
#include "support/Defaults.h"

namespace LiveControls {
namespace {

using Option = LiveSettingsControl::Option;

constexpr int kCardHeight = 78;
constexpr int kNumbersHeight = 66;
constexpr int kAutoCleanHeight = 72;
constexpr int kPeriodHeight = 62;
constexpr int kAppearanceHeight = 62;
constexpr int kChipHeight = 70;

const QString kCardText = QStringLiteral("Let's move the review to Thursday.");

auto fixed(SampleScene scene) {
    return [scene](const Defaults&) { return scene; };
}

bool lightCards(const Defaults& defaults) {
    return defaults.stringOr(kCardStyle, QStringLiteral("dark")) == QLatin1String("light");
}

auto youGet(const QString& text, bool emphasis) {
    return fixed(SampleScenes::text({{QStringLiteral("YOU GET"), text}}, emphasis));
}

QString youSay(const QString& spoken) { return QStringLiteral("You say: \u201C") + spoken + QStringLiteral("\u201D"); }

} // namespace

LiveSettingsControl* cardStyle(Defaults& defaults, QWidget* parent) {
    auto* control = new LiveSettingsControl(
        defaults, kPreviewStyle, QStringLiteral("card"), kCardHeight,
        {{QStringLiteral("card"), QObject::tr("Your words, live"),
          [](const Defaults& d) { return SampleScenes::cardOnDesktop(lightCards(d), kCardText); }},
         {QStringLiteral("pill"), QObject::tr("Just the waveform"),
          [](const Defaults& d) { return SampleScenes::pillOnDesktop(lightCards(d)); }}},
        parent);
    control->followKey(kCardStyle);
    control->setCaption(
        QStringLiteral("The card floats above whatever you are working in and disappears when you are done."));
    return control;
}

LiveSettingsControl* cardLetters(Defaults& defaults, QWidget* parent) {
    return new LiveSettingsControl(
        defaults, kCardStyle, QStringLiteral("dark"), kCardHeight,
        {{QStringLiteral("dark"), QObject::tr("White on dark"), fixed(SampleScenes::cardOnDesktop(false, kCardText))},
         {QStringLiteral("light"), QObject::tr("Black on light"), fixed(SampleScenes::cardOnDesktop(true, kCardText))}},
        parent);
}

LiveSettingsControl* numbers(Defaults& defaults, QWidget* parent) {
    auto* control = new LiveSettingsControl(
        defaults, kNumberStyle, QStringLiteral("smart"), kNumbersHeight,
        {{QStringLiteral("words"), QObject::tr("Words"),
          youGet(QStringLiteral("three point six million in Q3, up twenty five percent"), false)},
         {QStringLiteral("smart"), QObject::tr("Smart"), youGet(QStringLiteral("3.6 million in Q3, up 25%"), true)},
         {QStringLiteral("digits"), QObject::tr("Digits"), youGet(QStringLiteral("3,600,000 in Q3, up 25%"), false)}},
        parent);
    control->setCaption(youSay(QStringLiteral("three point six million in Q3, up twenty five percent")));
    control->setNote(QObject::tr("Spoken prices and years, like thirty nine ninety nine, stay as words in every mode, "
                                 "so a number is never turned into the wrong one."));
    return control;
}

LiveSettingsControl* autoClean(Defaults& defaults, const QString& spoken, QWidget* parent) {
    auto* control = new LiveSettingsControl(
        defaults, kAutoCleanLevel, QStringLiteral("balanced"), kAutoCleanHeight,
        {{QStringLiteral("off"), QObject::tr("Off"),
          youGet(QStringLiteral("So um I think we should uh probably move the review, move the review to Thursday"),
                 false)},
         {QStringLiteral("balanced"), QObject::tr("Balanced"),
          youGet(QStringLiteral("I think we should probably move the review to Thursday."), true)},
         {QStringLiteral("aggressive"), QObject::tr("Aggressive"),
          youGet(QStringLiteral("Let's move the review to Thursday."), false)}},
        parent);
    control->setCaption(youSay(spoken));
    control->setNote(Wording::of(QObject::tr(
        "Runs on-device after you speak and adds about a second. Balanced fixes fillers, stammers and grammar; "
        "Aggressive also tightens wordy phrasing. Nothing leaves your Mac.")));
    return control;
}

LiveSettingsControl* endWithPeriod(Defaults& defaults, QWidget* parent) {
    auto* control = new LiveSettingsControl(
        defaults, kEndWithPeriod, false, kPeriodHeight,
        {{false, QObject::tr("Leave it open"),
          fixed(SampleScenes::text(
              {{QStringLiteral("TWO BURSTS RUN ON"), QStringLiteral("move the review to Thursday and tell the team")}},
              false))},
         {true, QObject::tr("Finish the sentence"),
          fixed(SampleScenes::text({{QStringLiteral("EACH BURST STANDS ALONE"),
                                     QStringLiteral("Move the review to Thursday. Tell the team.")}},
                                   false))}},
        parent);
    control->setNote(QObject::tr("Question marks and exclamation points are always kept."));
    return control;
}

LiveSettingsControl* appearance(Defaults& defaults, QWidget* parent) {
    return new LiveSettingsControl(
        defaults, kAppearance, QStringLiteral("system"), kAppearanceHeight,
        {{QStringLiteral("system"), QObject::tr("System"), fixed(SampleScenes::splitChrome())},
         {QStringLiteral("light"), QObject::tr("Light"), fixed(SampleScenes::chrome(false))},
         {QStringLiteral("dark"), QObject::tr("Dark"), fixed(SampleScenes::chrome(true))}},
        parent);
}

LiveSettingsControl* selectionChip(Defaults& defaults, QWidget* parent) {
    auto* control =
        new LiveSettingsControl(defaults, kSelectionChipEnabled, true, kChipHeight,
                                {{true, QObject::tr("Offer cleanup"), fixed(SampleScenes::selection(true))},
                                 {false, QObject::tr("Never offer"), fixed(SampleScenes::selection(false))}},
                                parent);
    control->setCaption(QStringLiteral("Select 25 characters or more in any text field: dictated, typed or pasted."));
    return control;
}

} // namespace LiveControls
