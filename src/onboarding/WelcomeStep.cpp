#include "onboarding/WelcomeStep.h"

#include "onboarding/OnbBody.h"
#include "onboarding/OnbFeatureRow.h"
#include "onboarding/OnbTitle.h"
#include "onboarding/QuorMark.h"
#include "platform/Wording.h"
#include "support/Defaults.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr int kMarkHeight = 88;
constexpr int kFeaturesWidth = 420;
constexpr int kPageWidth = 480;
constexpr int kNameWidth = 230;
} // namespace

WelcomeStep::WelcomeStep(Defaults& defaults, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new QuorMark(kMarkHeight, this), 0, Qt::AlignHCenter);
    layout->addSpacing(16);
    layout->addWidget(new OnbTitle(QStringLiteral("Welcome to Quorvane"), this));
    layout->addSpacing(6);
    layout->addWidget(new OnbBody(
        Wording::of(QStringLiteral("Everything happens on this Mac. Nothing you say is sent anywhere.")), this));
    layout->addSpacing(26);
    auto* features = new QWidget(this);
    auto* rows = new QVBoxLayout(features);
    // The rows keep to a centred column of 420 within the page.
    const int side = (kPageWidth - kFeaturesWidth) / 2;
    rows->setContentsMargins(side, 0, side, 0);
    rows->setSpacing(15);
    rows->addWidget(new OnbFeatureRow(
        QStringLiteral("mic"), QStringLiteral("Talk, and it types"),
        Wording::of(QStringLiteral("Dictate into any app on your Mac, punctuated and cleaned up as you go.")),
        features));
    rows->addWidget(new OnbFeatureRow(QStringLiteral("speaker.wave.2"), QStringLiteral("Highlight, and it reads"),
                                      QStringLiteral("Select any text and hear it read aloud in a natural voice."),
                                      features));
    rows->addWidget(new OnbFeatureRow(
        QStringLiteral("globe"), QStringLiteral("Or hear it in another language"),
        QStringLiteral("Speak one language and type another, or have a passage read aloud translated."), features));
    layout->addWidget(features);
    layout->addSpacing(22);
    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(QStringLiteral("Your first name (optional)"));
    m_name->setAlignment(Qt::AlignHCenter);
    m_name->setFixedWidth(kNameWidth);
    m_name->setText(defaults.stringOr(kNameKey, QString()));
    layout->addWidget(m_name, 0, Qt::AlignHCenter);
    connect(m_name, &QLineEdit::textEdited, &defaults,
            [&defaults](const QString& text) { defaults.set(kNameKey, text); });
}
