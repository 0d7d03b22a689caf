#include "onboarding/MoveStep.h"

#include "onboarding/OnbBody.h"
#include "onboarding/OnbStyle.h"
#include "onboarding/OnbSymbol.h"
#include "onboarding/OnbTitle.h"
#include "onboarding/OnboardingServices.h"
#include "platform/Wording.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MoveStep::MoveStep(const OnboardingServices& services, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new OnbSymbol(QStringLiteral("folder.badge.plus"), 44, OnbStyle::accent(palette()), this), 0,
                      Qt::AlignHCenter);
    layout->addSpacing(16);
    layout->addWidget(new OnbTitle(Wording::of(QStringLiteral("Move Quorvane to Applications")), this));
    layout->addSpacing(6);
    const bool translocated = services.isTranslocated && services.isTranslocated();
    layout->addWidget(new OnbBody(body(translocated, services.whereItIs ? services.whereItIs() : QString()), this));
    layout->addSpacing(26);
    auto* move = new QPushButton(Wording::of(QStringLiteral("Move to Applications")), this);
    move->setDefault(true);
    move->setMinimumHeight(32);
    layout->addWidget(move, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    auto* reveal = new QPushButton(QStringLiteral("Show me where it is instead"), this);
    reveal->setFlat(true);
    reveal->setFont(OnbStyle::font(12));
    OnbStyle::setForeground(*reveal, OnbStyle::secondary(palette()));
    layout->addWidget(reveal, 0, Qt::AlignHCenter);
    layout->addSpacing(14);
    auto* note = new QLabel(QStringLiteral("Quorvane will move itself and reopen. Nothing is lost."), this);
    note->setFont(OnbStyle::font(11.5));
    OnbStyle::setForeground(*note, OnbStyle::tertiary(palette()));
    layout->addWidget(note, 0, Qt::AlignHCenter);

    auto moveTo = services.moveToApplications;
    auto show = services.revealInFileManager;
    connect(move, &QPushButton::clicked, this, [moveTo, show] {
        if ((!moveTo || !moveTo()) && show)
            show();
    });
    connect(reveal, &QPushButton::clicked, this, [show] {
        if (show)
            show();
    });
}

QString MoveStep::body(bool translocated, const QString& whereItIs) {
    if (translocated)
        return Wording::of(QStringLiteral(
            "macOS is running Quorvane from a temporary copy it made, which it does for anything opened straight out "
            "of a download. Permissions granted now would be forgotten, and updates could not install."));
    return QStringLiteral("Quorvane is running from ") + whereItIs
           + Wording::of(QStringLiteral(". Apps work properly from the Applications folder: permissions stay granted "
                                        "and updates can install themselves."));
}
