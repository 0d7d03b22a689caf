#include "reader/SpanishFlags.h"

namespace SpanishFlags {

QString flagOf(const char (&region)[3]) {
    constexpr char32_t kRegionalIndicatorA = 0x1F1E6;
    const char32_t pair[2] = {kRegionalIndicatorA + char32_t(region[0] - 'A'),
                              kRegionalIndicatorA + char32_t(region[1] - 'A')};
    return QString::fromUcs4(pair, 2);
}

const QList<Entry>& table() {
    static const QList<Entry> entries{
        {flagOf("MX"), QStringLiteral("Mexico")},      {flagOf("CO"), QStringLiteral("Colombia")},
        {flagOf("AR"), QStringLiteral("Argentina")},   {flagOf("ES"), QStringLiteral("Spain")},
        {flagOf("VE"), QStringLiteral("Venezuela")},   {flagOf("PE"), QStringLiteral("Peru")},
        {flagOf("CL"), QStringLiteral("Chile")},       {flagOf("EC"), QStringLiteral("Ecuador")},
        {flagOf("GT"), QStringLiteral("Guatemala")},   {flagOf("CU"), QStringLiteral("Cuba")},
        {flagOf("BO"), QStringLiteral("Bolivia")},     {flagOf("DO"), QStringLiteral("Dominican Rep.")},
        {flagOf("HN"), QStringLiteral("Honduras")},    {flagOf("PY"), QStringLiteral("Paraguay")},
        {flagOf("SV"), QStringLiteral("El Salvador")}, {flagOf("NI"), QStringLiteral("Nicaragua")},
        {flagOf("CR"), QStringLiteral("Costa Rica")},  {flagOf("PA"), QStringLiteral("Panama")},
        {flagOf("UY"), QStringLiteral("Uruguay")},     {flagOf("PR"), QStringLiteral("Puerto Rico")},
    };
    return entries;
}

} // namespace SpanishFlags
