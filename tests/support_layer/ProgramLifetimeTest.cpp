#include "support/ProgramLifetime.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

class Named : public QObject {
public:
    Named(QString name, QStringList& ended) : m_name(std::move(name)), m_ended(ended) {}
    ~Named() override { m_ended.append(m_name); }

private:
    QString m_name;
    QStringList& m_ended;
};

TEST(ProgramLifetime, EndsWhatItKeepsNewestFirstAndSkipsWhatIsAlreadyGone) {
    QStringList ended;
    ProgramLifetime::keep(new Named(QStringLiteral("platform user"), ended));
    auto* gone = ProgramLifetime::keep(new Named(QStringLiteral("gone early"), ended));
    ProgramLifetime::atEnd([&ended] {
        ended.append(QStringLiteral("player"));
        // An end may keep something more; it ends in the same pass.
        ProgramLifetime::keep(new Named(QStringLiteral("kept while ending"), ended));
    });
    delete gone;
    ended.clear();

    ProgramLifetime::end();
    EXPECT_EQ(ended, (QStringList{QStringLiteral("player"), QStringLiteral("kept while ending"),
                                  QStringLiteral("platform user")}));

    ended.clear();
    ProgramLifetime::end();
    EXPECT_TRUE(ended.isEmpty()) << "a second end finds nothing left";
}

} // namespace
