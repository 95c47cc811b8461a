#include "ui/AppLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

namespace tarnix::AppLanguage {

namespace {

const QString kResourceFolder = QStringLiteral(":/tarnix/translations");

QString withoutEncoding(QString entry)
{
    const qsizetype cut = entry.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0)
        entry.truncate(cut);
    return entry.trimmed();
}

bool isEnglish(const QString& language)
{
    return language == QLatin1String("C") || language == QLatin1String("POSIX") || language == QLatin1String("en") ||
           language.startsWith(QLatin1String("en_"));
}

} // namespace

QStringList requested(const Environment& environment)
{
    QStringList languages;
    for (const QString& entry : environment("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (const QString language = withoutEncoding(entry); !language.isEmpty())
            languages.append(language);
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const QString language = withoutEncoding(environment(name)); !language.isEmpty()) {
            languages.append(language);
            break;
        }
    }
    return languages;
}

QString choose(const QStringList& requests, const QStringList& available)
{
    for (const QString& request : requests) {
        if (isEnglish(request))
            return {};
        if (available.contains(request))
            return request;
        if (const QString language = request.section(QLatin1Char('_'), 0, 0); available.contains(language))
            return language;
    }
    return {};
}

QStringList available()
{
    QStringList languages;
    const QStringList files = QDir(kResourceFolder).entryList({QStringLiteral("tarnix_*.qm")}, QDir::Files);
    for (const QString& file : files)
        languages.append(file.mid(7, file.size() - 10)); // between "tarnix_" and ".qm"
    return languages;
}

QString install(QCoreApplication& application)
{
    const QString language =
        choose(requested([](const char* name) { return qEnvironmentVariable(name); }), available());
    if (language.isEmpty())
        return {};
    auto* own = new QTranslator(&application);
    if (!own->load(QStringLiteral("tarnix_") + language, kResourceFolder)) {
        delete own;
        return {};
    }
    QCoreApplication::installTranslator(own);
    // Qt's own texts (standard buttons, the file dialog) where the system has them.
    auto* qt = new QTranslator(&application);
    if (qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return language;
}

} // namespace tarnix::AppLanguage
