#include "looks/Motion.h"

#include "platform/MotionSetting.h"
#include "platform/Platform.h"

#include <QPointF>

namespace Motion {

bool reduced() {
    const MotionSetting* setting = Platform::current().motionSetting;
    return setting && setting->reducesMotion();
}

namespace {

QEasingCurve bezier(QPointF first, QPointF second) {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(first, second, QPointF(1, 1));
    return curve;
}

} // namespace

QEasingCurve easeOut() { return bezier(QPointF(0, 0), QPointF(0.58, 1)); }

QEasingCurve easeInOut() { return bezier(QPointF(0.42, 0), QPointF(0.58, 1)); }

} // namespace Motion
