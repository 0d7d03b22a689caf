#include "cleanup/NumberWords.h"

namespace NumberWords {

const QHash<QString, qint64>& units() {
    static const QHash<QString, qint64> table = {
        {"zero", 0},      {"one", 1},       {"two", 2},       {"three", 3},    {"four", 4},     {"five", 5},
        {"six", 6},       {"seven", 7},     {"eight", 8},     {"nine", 9},     {"ten", 10},     {"eleven", 11},
        {"twelve", 12},   {"thirteen", 13}, {"fourteen", 14}, {"fifteen", 15}, {"sixteen", 16}, {"seventeen", 17},
        {"eighteen", 18}, {"nineteen", 19}, {"twenty", 20},   {"thirty", 30},  {"forty", 40},   {"fifty", 50},
        {"sixty", 60},    {"seventy", 70},  {"eighty", 80},   {"ninety", 90}};
    return table;
}

const QHash<QString, qint64>& scales() {
    static const QHash<QString, qint64> table = {{"hundred", 100},
                                                 {"thousand", 1000},
                                                 {"million", 1000000},
                                                 {"billion", 1000000000},
                                                 {"trillion", 1000000000000}};
    return table;
}

const QHash<QString, int>& spelledDigits() {
    static const QHash<QString, int> table = {{"zero", 0},  {"oh", 0},    {"one", 1},  {"two", 2},
                                              {"three", 3}, {"four", 4},  {"five", 5}, {"six", 6},
                                              {"seven", 7}, {"eight", 8}, {"nine", 9}};
    return table;
}

const QHash<QString, QString>& ordinals() {
    static const QHash<QString, QString> table = {{"first", "one"},
                                                  {"second", "two"},
                                                  {"third", "three"},
                                                  {"fourth", "four"},
                                                  {"fifth", "five"},
                                                  {"sixth", "six"},
                                                  {"seventh", "seven"},
                                                  {"eighth", "eight"},
                                                  {"ninth", "nine"},
                                                  {"tenth", "ten"},
                                                  {"eleventh", "eleven"},
                                                  {"twelfth", "twelve"},
                                                  {"thirteenth", "thirteen"},
                                                  {"fourteenth", "fourteen"},
                                                  {"fifteenth", "fifteen"},
                                                  {"sixteenth", "sixteen"},
                                                  {"seventeenth", "seventeen"},
                                                  {"eighteenth", "eighteen"},
                                                  {"nineteenth", "nineteen"},
                                                  {"twentieth", "twenty"},
                                                  {"thirtieth", "thirty"},
                                                  {"fortieth", "forty"},
                                                  {"fiftieth", "fifty"},
                                                  {"sixtieth", "sixty"},
                                                  {"seventieth", "seventy"},
                                                  {"eightieth", "eighty"},
                                                  {"ninetieth", "ninety"},
                                                  {"hundredth", "hundred"},
                                                  {"thousandth", "thousand"},
                                                  {"millionth", "million"},
                                                  {"billionth", "billion"},
                                                  {"trillionth", "trillion"}};
    return table;
}

bool isNumberWord(const QString& word) { return units().contains(word) || scales().contains(word); }

QString ordinalSuffix(qint64 number) {
    const qint64 lastTwo = number % 100;
    if (lastTwo >= 11 && lastTwo <= 13)
        return QStringLiteral("th");
    switch (number % 10) {
    case 1:
        return QStringLiteral("st");
    case 2:
        return QStringLiteral("nd");
    case 3:
        return QStringLiteral("rd");
    default:
        return QStringLiteral("th");
    }
}

} // namespace NumberWords
