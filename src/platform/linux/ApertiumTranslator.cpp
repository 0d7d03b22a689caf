#include "platform/linux/ApertiumTranslator.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
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

// The pairs the language-pair packages of Debian 12 install: mode name and
// the package that holds it.
struct DebianPair {
    QString mode;
    QString package;
};

const QList<DebianPair>& debianPairs() {
    static const QList<DebianPair> pairs = {
        {QStringLiteral("afr-nld"), QStringLiteral("apertium-afr-nld")},
        {QStringLiteral("arg-cat"), QStringLiteral("apertium-arg-cat")},
        {QStringLiteral("cat-arg"), QStringLiteral("apertium-arg-cat")},
        {QStringLiteral("bel-rus"), QStringLiteral("apertium-bel-rus")},
        {QStringLiteral("rus-bel"), QStringLiteral("apertium-bel-rus")},
        {QStringLiteral("br-fr"), QStringLiteral("apertium-br-fr")},
        {QStringLiteral("cat-ita"), QStringLiteral("apertium-cat-ita")},
        {QStringLiteral("ita-cat"), QStringLiteral("apertium-cat-ita")},
        {QStringLiteral("cat-srd"), QStringLiteral("apertium-cat-srd")},
        {QStringLiteral("srd-cat"), QStringLiteral("apertium-cat-srd")},
        {QStringLiteral("dan-nob"), QStringLiteral("apertium-dan-nor")},
        {QStringLiteral("nob-dan"), QStringLiteral("apertium-dan-nor")},
        {QStringLiteral("dan-nno"), QStringLiteral("apertium-dan-nor")},
        {QStringLiteral("nno-dan"), QStringLiteral("apertium-dan-nor")},
        {QStringLiteral("en-gl"), QStringLiteral("apertium-en-gl")},
        {QStringLiteral("gl-en"), QStringLiteral("apertium-en-gl")},
        {QStringLiteral("eng-cat"), QStringLiteral("apertium-eng-cat")},
        {QStringLiteral("cat-eng"), QStringLiteral("apertium-eng-cat")},
        {QStringLiteral("eng-spa"), QStringLiteral("apertium-eng-spa")},
        {QStringLiteral("spa-eng"), QStringLiteral("apertium-eng-spa")},
        {QStringLiteral("ca-eo"), QStringLiteral("apertium-eo-ca")},
        {QStringLiteral("en-eo"), QStringLiteral("apertium-eo-en")},
        {QStringLiteral("es-eo"), QStringLiteral("apertium-eo-es")},
        {QStringLiteral("fr-eo"), QStringLiteral("apertium-eo-fr")},
        {QStringLiteral("es-gl"), QStringLiteral("apertium-es-gl")},
        {QStringLiteral("gl-es"), QStringLiteral("apertium-es-gl")},
        {QStringLiteral("es-pt"), QStringLiteral("apertium-es-pt")},
        {QStringLiteral("pt-es"), QStringLiteral("apertium-es-pt")},
        {QStringLiteral("es-ro"), QStringLiteral("apertium-es-ro")},
        {QStringLiteral("ro-es"), QStringLiteral("apertium-es-ro")},
        {QStringLiteral("eu-en"), QStringLiteral("apertium-eu-en")},
        {QStringLiteral("eu-es"), QStringLiteral("apertium-eu-es")},
        {QStringLiteral("fr-es"), QStringLiteral("apertium-fr-es")},
        {QStringLiteral("es-fr"), QStringLiteral("apertium-fr-es")},
        {QStringLiteral("fra-cat"), QStringLiteral("apertium-fra-cat")},
        {QStringLiteral("cat-fra"), QStringLiteral("apertium-fra-cat")},
        {QStringLiteral("fra-frp"), QStringLiteral("apertium-fra-frp")},
        {QStringLiteral("frp-fra"), QStringLiteral("apertium-fra-frp")},
        {QStringLiteral("hbs-eng"), QStringLiteral("apertium-hbs-eng")},
        {QStringLiteral("hbs-mkd"), QStringLiteral("apertium-hbs-mkd")},
        {QStringLiteral("mkd-hbs"), QStringLiteral("apertium-hbs-mkd")},
        {QStringLiteral("hbs-slv"), QStringLiteral("apertium-hbs-slv")},
        {QStringLiteral("slv-hbs"), QStringLiteral("apertium-hbs-slv")},
        {QStringLiteral("ind-zlm"), QStringLiteral("apertium-ind-zlm")},
        {QStringLiteral("zlm-ind"), QStringLiteral("apertium-ind-zlm")},
        {QStringLiteral("isl-eng"), QStringLiteral("apertium-isl-eng")},
        {QStringLiteral("isl-swe"), QStringLiteral("apertium-isl-swe")},
        {QStringLiteral("swe-isl"), QStringLiteral("apertium-isl-swe")},
        {QStringLiteral("mkd-bul"), QStringLiteral("apertium-mkd-bul")},
        {QStringLiteral("mkd-eng"), QStringLiteral("apertium-mkd-eng")},
        {QStringLiteral("nno-nob"), QStringLiteral("apertium-nno-nob")},
        {QStringLiteral("nob-nno"), QStringLiteral("apertium-nno-nob")},
        {QStringLiteral("oc-ca"), QStringLiteral("apertium-oc-ca")},
        {QStringLiteral("ca-oc"), QStringLiteral("apertium-oc-ca")},
        {QStringLiteral("oc-es"), QStringLiteral("apertium-oc-es")},
        {QStringLiteral("es-oc"), QStringLiteral("apertium-oc-es")},
        {QStringLiteral("oci-fra"), QStringLiteral("apertium-oci-fra")},
        {QStringLiteral("fra-oci"), QStringLiteral("apertium-oci-fra")},
        {QStringLiteral("pol-szl"), QStringLiteral("apertium-pol-szl")},
        {QStringLiteral("szl-pol"), QStringLiteral("apertium-pol-szl")},
        {QStringLiteral("por-cat"), QStringLiteral("apertium-por-cat")},
        {QStringLiteral("cat-por"), QStringLiteral("apertium-por-cat")},
        {QStringLiteral("pt-gl"), QStringLiteral("apertium-pt-gl")},
        {QStringLiteral("gl-pt"), QStringLiteral("apertium-pt-gl")},
        {QStringLiteral("rus-ukr"), QStringLiteral("apertium-rus-ukr")},
        {QStringLiteral("ukr-rus"), QStringLiteral("apertium-rus-ukr")},
        {QStringLiteral("spa-arg"), QStringLiteral("apertium-spa-arg")},
        {QStringLiteral("arg-spa"), QStringLiteral("apertium-spa-arg")},
        {QStringLiteral("spa-ast"), QStringLiteral("apertium-spa-ast")},
        {QStringLiteral("spa-cat"), QStringLiteral("apertium-spa-cat")},
        {QStringLiteral("cat-spa"), QStringLiteral("apertium-spa-cat")},
        {QStringLiteral("spa-ita"), QStringLiteral("apertium-spa-ita")},
        {QStringLiteral("ita-spa"), QStringLiteral("apertium-spa-ita")},
        {QStringLiteral("srd-ita"), QStringLiteral("apertium-srd-ita")},
        {QStringLiteral("ita-srd"), QStringLiteral("apertium-srd-ita")},
        {QStringLiteral("swe-dan"), QStringLiteral("apertium-swe-dan")},
        {QStringLiteral("dan-swe"), QStringLiteral("apertium-swe-dan")},
        {QStringLiteral("swe-nob"), QStringLiteral("apertium-swe-nor")},
        {QStringLiteral("nob-swe"), QStringLiteral("apertium-swe-nor")},
        {QStringLiteral("urd-hin"), QStringLiteral("apertium-urd-hin")},
        {QStringLiteral("hin-urd"), QStringLiteral("apertium-urd-hin")},
    };
    return pairs;
}

const QStringList& debianModes() {
    static const QStringList modes = [] {
        QStringList names;
        for (const DebianPair& pair : debianPairs())
            names.append(pair.mode);
        return names;
    }();
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
    return Mode{name, normalizedLanguage(source), normalizedLanguage(target), sides[1].section(QLatin1Char('_'), 1)};
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

// Apertium's English analyser knows the names of days and months only
// capitalised, and a transcript is often all lower case: "next tuesday" would
// come out untranslated. Names that are also common words ("may", "march")
// are left alone.
QString withCapitalisedCalendarNames(const QString& text) {
    static const QRegularExpression names(
        QStringLiteral("\\b(monday|tuesday|wednesday|thursday|friday|saturday|sunday|january|february|april|june|"
                       "july|september|october|november|december)\\b"),
        QRegularExpression::UseUnicodePropertiesOption);
    QString result = text;
    QRegularExpressionMatchIterator matches = names.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        result[match.capturedStart()] = result.at(match.capturedStart()).toUpper();
    }
    return result;
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

ApertiumTranslator::~ApertiumTranslator() = default;

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
    const bool programFound = QFileInfo(m_program).isAbsolute() ? QFileInfo(m_program).isExecutable()
                                                                : !QStandardPaths::findExecutable(m_program).isEmpty();
    return programFound && !installedModes().isEmpty();
}

namespace {

OnDeviceTranslator::PairStatus statusAmong(const QStringList& installed, const QString& source, const QString& target) {
    if (modeFor(installed, source, target))
        return OnDeviceTranslator::PairStatus::Installed;
    if (modeFor(debianModes(), source, target))
        return OnDeviceTranslator::PairStatus::Supported;
    return OnDeviceTranslator::PairStatus::Unsupported;
}

class ModeSnapshot : public OnDeviceTranslator::PairSnapshot {
public:
    explicit ModeSnapshot(QStringList installed) : m_installed(std::move(installed)) {}
    OnDeviceTranslator::PairStatus status(const QString& source, const QString& target) const override {
        return statusAmong(m_installed, source, target);
    }

private:
    QStringList m_installed;
};

} // namespace

OnDeviceTranslator::PairStatus ApertiumTranslator::status(const QString& source, const QString& target) {
    return statusAmong(installedModes(), source, target);
}

std::unique_ptr<OnDeviceTranslator::PairSnapshot> ApertiumTranslator::snapshot() {
    return std::make_unique<ModeSnapshot>(installedModes());
}

std::optional<QString> ApertiumTranslator::packageFor(const QString& source, const QString& target) {
    const std::optional<QString> mode = modeFor(debianModes(), source, target);
    if (!mode)
        return std::nullopt;
    for (const DebianPair& pair : debianPairs())
        if (pair.mode == *mode)
            return pair.package;
    return std::nullopt;
}

std::optional<QString> ApertiumTranslator::installCommand(const QString& source, const QString& target) {
    if (status(source, target) != PairStatus::Supported)
        return std::nullopt;
    const std::optional<QString> package = packageFor(source, target);
    if (!package)
        return std::nullopt;
    return QStringLiteral("sudo apt-get install ") + *package;
}

std::optional<QString> ApertiumTranslator::removeCommand(const QString& source, const QString& target) {
    if (status(source, target) != PairStatus::Installed)
        return std::nullopt;
    const std::optional<QString> package = packageFor(source, target);
    if (!package)
        return std::nullopt;
    return QStringLiteral("sudo apt-get remove ") + *package;
}

void ApertiumTranslator::watchInstalledPairs(std::function<void()> changed) {
    m_changed = std::move(changed);
    if (!m_watcher) {
        m_watcher = std::make_unique<QFileSystemWatcher>();
        m_settle = std::make_unique<QTimer>();
        m_settle->setSingleShot(true);
        m_settle->setInterval(kSettleTime);
        QObject::connect(m_settle.get(), &QTimer::timeout, m_settle.get(), [this] {
            if (m_changed)
                m_changed();
        });
        // A package writes several files; one call once they have settled.
        QObject::connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, m_watcher.get(), [this] {
            watchFolders();
            m_settle->start();
        });
    }
    watchFolders();
}

void ApertiumTranslator::watchFolders() {
    // The modes folder appears with the first pair; its parent tells us when.
    for (const QString& path : {m_dataFolder, m_dataFolder + QStringLiteral("/modes")})
        if (QFileInfo(path).isDir() && !m_watcher->directories().contains(path))
            m_watcher->addPath(path);
}

QFuture<std::optional<QString>> ApertiumTranslator::translate(const QString& text, const QString& source,
                                                              const QString& target) {
    const std::optional<QString> mode = modeFor(installedModes(), source, target);
    if (!mode)
        return QtFuture::makeReadyFuture(std::optional<QString>());
    const QString input = normalizedLanguage(source) == QLatin1String("en") ? withCapitalisedCalendarNames(text) : text;
    return QtConcurrent::run([program = m_program, dataFolder = m_dataFolder, mode = *mode, text = input,
                              timeout = m_timeout] { return runApertium(program, dataFolder, mode, text, timeout); });
}
