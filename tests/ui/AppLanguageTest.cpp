#include <QCoreApplication>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ui/AppLanguage.h"

using namespace tarnix;

namespace {

AppLanguage::Environment environment(std::map<std::string, QString> values)
{
    return [values = std::move(values)](const char* name) {
        const auto found = values.find(name);
        return found == values.end() ? QString() : found->second;
    };
}

const QStringList kShipped{QStringLiteral("de"), QStringLiteral("es")};

} // namespace

TEST(AppLanguage, LanguageListComesFirstThenTheFirstLocaleVariableThatIsSet)
{
    const auto requests = AppLanguage::requested(environment({{"LANGUAGE", QStringLiteral("fr:es_MX.UTF-8")},
                                                              {"LC_MESSAGES", QStringLiteral("")},
                                                              {"LANG", QStringLiteral("de_DE.UTF-8@euro")}}));
    EXPECT_EQ(requests, (QStringList{"fr", "es_MX", "de_DE"}));
    // LC_ALL outranks LANG, as it does for every other program.
    EXPECT_EQ(AppLanguage::requested(environment({{"LC_ALL", QStringLiteral("es_ES.UTF-8")},
                                                  {"LANG", QStringLiteral("de_DE.UTF-8")}})),
              QStringList{"es_ES"});
    EXPECT_TRUE(AppLanguage::requested(environment({})).isEmpty());
}

TEST(AppLanguage, ChoosesTheFirstShippedLanguageAndStopsAtEnglish)
{
    EXPECT_EQ(AppLanguage::choose({"fr", "de_AT"}, kShipped), "de");
    EXPECT_EQ(AppLanguage::choose({"es_MX", "de"}, kShipped), "es");
    // English and the C locale are the source texts: a later language must not win over them.
    EXPECT_EQ(AppLanguage::choose({"en_GB", "de"}, kShipped), "");
    EXPECT_EQ(AppLanguage::choose({"C", "de"}, kShipped), "");
    EXPECT_EQ(AppLanguage::choose({"fr", "it"}, kShipped), "");
}

TEST(AppLanguage, EveryShippedTranslationIsCompiledIntoTheProgram)
{
    QStringList available = AppLanguage::available();
    available.sort();
    EXPECT_EQ(available, kShipped);
}
