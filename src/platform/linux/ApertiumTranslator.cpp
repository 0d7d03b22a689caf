#include "platform/linux/ApertiumTranslator.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include <signal.h>
#include <unistd.h>

namespace {

// Apertium names languages by ISO 639-3 codes (older pairs by two-letter
// ones); the rest of the program uses BCP 47 base codes. Macrolanguages that
// Apertium treats as one language are folded into one code here.
QString normalizedLanguage(const QString& code) {
    static const QHash<QString, QString> codes = {
        {QStringLiteral("afr"), QStringLiteral("af")}, {QStringLiteral("ara"), QStringLiteral("ar")},
        {QStringLiteral("arg"), QStringLiteral("an")}, {QStringLiteral("bel"), QStringLiteral("be")},
        {QStringLiteral("bre"), QStringLiteral("br")}, {QStringLiteral("bul"), QStringLiteral("bg")},
        {QStringLiteral("cat"), QStringLiteral("ca")}, {QStringLiteral("ces"), QStringLiteral("cs")},
        {QStringLiteral("cym"), QStringLiteral("cy")}, {QStringLiteral("dan"), QStringLiteral("da")},
        {QStringLiteral("deu"), QStringLiteral("de")}, {QStringLiteral("ell"), QStringLiteral("el")},
        {QStringLiteral("eng"), QStringLiteral("en")}, {QStringLiteral("epo"), QStringLiteral("eo")},
        {QStringLiteral("est"), QStringLiteral("et")}, {QStringLiteral("eus"), QStringLiteral("eu")},
        {QStringLiteral("fin"), QStringLiteral("fi")}, {QStringLiteral("fra"), QStringLiteral("fr")},
        {QStringLiteral("gle"), QStringLiteral("ga")}, {QStringLiteral("glg"), QStringLiteral("gl")},
        {QStringLiteral("hbs"), QStringLiteral("sh")}, {QStringLiteral("hrv"), QStringLiteral("sh")},
        {QStringLiteral("srp"), QStringLiteral("sh")}, {QStringLiteral("bos"), QStringLiteral("sh")},
        {QStringLiteral("hr"), QStringLiteral("sh")},  {QStringLiteral("sr"), QStringLiteral("sh")},
        {QStringLiteral("bs"), QStringLiteral("sh")},  {QStringLiteral("heb"), QStringLiteral("he")},
        {QStringLiteral("iw"), QStringLiteral("he")},  {QStringLiteral("hin"), QStringLiteral("hi")},
        {QStringLiteral("ind"), QStringLiteral("id")}, {QStringLiteral("in"), QStringLiteral("id")},
        {QStringLiteral("isl"), QStringLiteral("is")}, {QStringLiteral("ita"), QStringLiteral("it")},
        {QStringLiteral("jpn"), QStringLiteral("ja")}, {QStringLiteral("kaz"), QStringLiteral("kk")},
        {QStringLiteral("kor"), QStringLiteral("ko")}, {QStringLiteral("lav"), QStringLiteral("lv")},
        {QStringLiteral("lit"), QStringLiteral("lt")}, {QStringLiteral("mkd"), QStringLiteral("mk")},
        {QStringLiteral("msa"), QStringLiteral("ms")}, {QStringLiteral("zlm"), QStringLiteral("ms")},
        {QStringLiteral("nld"), QStringLiteral("nl")}, {QStringLiteral("nno"), QStringLiteral("nn")},
        {QStringLiteral("nob"), QStringLiteral("nb")}, {QStringLiteral("nor"), QStringLiteral("nb")},
        {QStringLiteral("no"), QStringLiteral("nb")},  {QStringLiteral("oci"), QStringLiteral("oc")},
        {QStringLiteral("pol"), QStringLiteral("pl")}, {QStringLiteral("por"), QStringLiteral("pt")},
        {QStringLiteral("ron"), QStringLiteral("ro")}, {QStringLiteral("rus"), QStringLiteral("ru")},
        {QStringLiteral("slv"), QStringLiteral("sl")}, {QStringLiteral("spa"), QStringLiteral("es")},
        {QStringLiteral("srd"), QStringLiteral("sc")}, {QStringLiteral("swe"), QStringLiteral("sv")},
        {QStringLiteral("tat"), QStringLiteral("tt")}, {QStringLiteral("tha"), QStringLiteral("th")},
        {QStringLiteral("tur"), QStringLiteral("tr")}, {QStringLiteral("ukr"), QStringLiteral("uk")},
        {QStringLiteral("urd"), QStringLiteral("ur")}, {QStringLiteral("vie"), QStringLiteral("vi")},
        {QStringLiteral("zho"), QStringLiteral("zh")},
    };
    const QString base = code.section(QLatin1Char('-'), 0, 0, QString::SectionSkipEmpty).toLower();
    return codes.value(base, base);
}

// The pairs the language-pair packages of Debian 12 install, by mode name.
const QStringList& debianModes() {
    static const QStringList modes = {
        QStringLiteral("afr-nld"), QStringLiteral("arg-cat"), QStringLiteral("cat-arg"),
        QStringLiteral("bel-rus"), QStringLiteral("rus-bel"), QStringLiteral("br-fr"),
        QStringLiteral("cat-ita"), QStringLiteral("ita-cat"), QStringLiteral("cat-srd"),
        QStringLiteral("srd-cat"), QStringLiteral("dan-nob"), QStringLiteral("nob-dan"),
        QStringLiteral("dan-nno"), QStringLiteral("nno-dan"), QStringLiteral("en-gl"),
        QStringLiteral("gl-en"), QStringLiteral("eng-cat"), QStringLiteral("cat-eng"),
        QStringLiteral("eng-spa"), QStringLiteral("spa-eng"), QStringLiteral("ca-eo"),
        QStringLiteral("en-eo"), QStringLiteral("es-eo"), QStringLiteral("fr-eo"),
        QStringLiteral("es-gl"), QStringLiteral("gl-es"), QStringLiteral("es-pt"),
        QStringLiteral("pt-es"), QStringLiteral("es-ro"), QStringLiteral("ro-es"),
        QStringLiteral("eu-en"), QStringLiteral("eu-es"), QStringLiteral("fr-es"),
        QStringLiteral("es-fr"), QStringLiteral("fra-cat"), QStringLiteral("cat-fra"),
        QStringLiteral("fra-frp"), QStringLiteral("frp-fra"), QStringLiteral("hbs-eng"),
        QStringLiteral("hbs-mkd"), QStringLiteral("mkd-hbs"), QStringLiteral("hbs-slv"),
        QStringLiteral("slv-hbs"), QStringLiteral("ind-zlm"), QStringLiteral("zlm-ind"),
        QStringLiteral("isl-eng"), QStringLiteral("isl-swe"), QStringLiteral("swe-isl"),
        QStringLiteral("mkd-bul"), QStringLiteral("mkd-eng"), QStringLiteral("nno-nob"),
        QStringLiteral("nob-nno"), QStringLiteral("oc-ca"), QStringLiteral("ca-oc"),
        QStringLiteral("oc-es"), QStringLiteral("es-oc"), QStringLiteral("oci-fra"),
        QStringLiteral("fra-oci"), QStringLiteral("pol-szl"), QStringLiteral("szl-pol"),
        QStringLiteral("por-cat"), QStringLiteral("cat-por"), QStringLiteral("pt-gl"),
        QStringLiteral("gl-pt"), QStringLiteral("rus-ukr"), QStringLiteral("ukr-rus"),
        QStringLiteral("spa-arg"), QStringLiteral("arg-spa"), QStringLiteral("spa-ast"),
        QStringLiteral("spa-cat"), QStringLiteral("cat-spa"), QStringLiteral("spa-ita"),
        QStringLiteral("ita-spa"), QStringLiteral("srd-ita"), QStringLiteral("ita-srd"),
        QStringLiteral("swe-dan"), QStringLiteral("dan-swe"), QStringLiteral("swe-nob"),
        QStringLiteral("nob-swe"), QStringLiteral("urd-hin"), QStringLiteral("hin-urd"),
    };
    return modes;
}

// A mode name taken apart: "spa-eng_US" translates es into en, US variant.
struct Mode {
    QString name;
    QString source;
    QString target;
    QString variant;
};

std::optional<Mode> parseMode(const QString& name) {
    const QStringList sides = name.split(QLatin1Char('-'));
    if (sides.size() != 2)
        return std::nullopt;
    const auto language = [](const QString& side) { return side.section(QLatin1Char('_'), 0, 0); };
    const auto plausible = [](const QString& code) {
        if (code.size() < 2 || code.size() > 3)
            return false;
        return std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'a' && c <= u'z'; });
    };
    const QString source = language(sides[0]);
    const QString target = language(sides[1]);
    if (!plausible(source) || !plausible(target))
        return std::nullopt;
    return Mode{name, normalizedLanguage(source), normalizedLanguage(target),
                sides[1].section(QLatin1Char('_'), 1)};
}

// The mode that translates `source` into `target`: the one whose variant names
// the target's region ("en-US" picks "spa-eng_US"), else the plain one, else any.
std::optional<QString> modeFor(const QStringList& modeNames, const QString& source, const QString& target) {
    const QString from = normalizedLanguage(source);
    const QString to = normalizedLanguage(target);
    const QString region = target.section(QLatin1Char('-'), 1, 1, QString::SectionSkipEmpty);
    std::optional<QString> plain;
    std::optional<QString> any;
    for (const QString& name : modeNames) {
        const std::optional<Mode> mode = parseMode(name);
        if (!mode || mode->source != from || mode->target != to)
            continue;
        if (!region.isEmpty() && mode->variant.compare(region, Qt::CaseInsensitive) == 0)
            return mode->name;
        if (mode->variant.isEmpty() && !plain)
            plain = mode->name;
        if (!any)
            any = mode->name;
    }
    return plain ? plain : any;
}

std::optional<QString> runApertium(const QString& program, const QString& dataFolder, const QString& mode,
                                   const QString& text, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    // Its own process group, so that a time-out ends the whole pipeline the
    // apertium script starts, not only the script.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start(program, {QStringLiteral("-u"), QStringLiteral("-d"), dataFolder, mode});
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return std::nullopt;
    process.write(text.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
        if (const qint64 pid = process.processId(); pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

QString ApertiumTranslator::standardDataFolder() {
    const QString configured = qEnvironmentVariable("APERTIUM_DATADIR");
    return configured.isEmpty() ? QStringLiteral("/usr/share/apertium") : configured;
}

ApertiumTranslator::ApertiumTranslator(QString program, QString dataFolder, std::chrono::milliseconds timeout)
    : m_program(std::move(program)), m_dataFolder(std::move(dataFolder)), m_timeout(timeout) {}

QStringList ApertiumTranslator::installedModes() const {
    QStringList modes;
    const QDir folder(m_dataFolder + QStringLiteral("/modes"));
    for (const QFileInfo& file : folder.entryInfoList({QStringLiteral("*.mode")}, QDir::Files, QDir::Name)) {
        if (parseMode(file.completeBaseName()))
            modes.append(file.completeBaseName());
    }
    return modes;
}

bool ApertiumTranslator::isAvailable() {
    const bool programFound = QFileInfo(m_program).isAbsolute()
                                  ? QFileInfo(m_program).isExecutable()
                                  : !QStandardPaths::findExecutable(m_program).isEmpty();
    return programFound && !installedModes().isEmpty();
}

OnDeviceTranslator::PairStatus ApertiumTranslator::status(const QString& source, const QString& target) {
    if (modeFor(installedModes(), source, target))
        return PairStatus::Installed;
    if (modeFor(debianModes(), source, target))
        return PairStatus::Supported;
    return PairStatus::Unsupported;
}

QFuture<std::optional<QString>> ApertiumTranslator::translate(const QString& text, const QString& source,
                                                              const QString& target) {
    const std::optional<QString> mode = modeFor(installedModes(), source, target);
    if (!mode)
        return QtFuture::makeReadyFuture(std::optional<QString>());
    return QtConcurrent::run([program = m_program, dataFolder = m_dataFolder, mode = *mode, text,
                              timeout = m_timeout] { return runApertium(program, dataFolder, mode, text, timeout); });
}
