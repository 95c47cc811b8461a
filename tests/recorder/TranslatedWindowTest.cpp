// The window as it starts under LANGUAGE=de and LANGUAGE=es: the bar and the Studio speak the
// language, and no text is cut off by a layout made for English. Screenshots of both land in
// build/screenshots (recorder-bar-de.png, studio-de.png...).

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include "media/MediaTestSupport.h"
#include "recorder/BarControls.h"
#include "recorder/RecorderWindowFixture.h"
#include "recorder/SourceKindPicker.h"
#include "studio/StudioSession.h"
#include "studio/StudioView.h"
#include "studio/StudioEditingViews.h"
#include "studio/sidebar/StudioSidebarView.h"
#include "studio/sidebar/StudioTabLabels.h"
#include "ui/AppLanguage.h"

using namespace tarnix;

namespace {

struct Language {
    const char* code;
    const char* startRecording;
    const char* noCamera;
    const char* exportButton;
};

void PrintTo(const Language& language, std::ostream* out)
{
    *out << language.code;
}

const Language kLanguages[] = {
    {"de", "Aufnahme starten", "Keine Kamera", "Exportieren"},
    {"es", "Iniciar grabación", "Sin cámara", "Exportar"},
};

// Texts of visible labels and buttons that need more room than they have, or that reach past
// the edge of `root` (a panel whose content grew wider than the panel), as one line ("" when
// none does).
std::string clippedTexts(QWidget* root)
{
    QStringList clipped;
    auto check = [&](QWidget* widget, const QString& text, int needed) {
        if (!widget->isVisibleTo(root) || text.isEmpty())
            return;
        if (needed > widget->width())
            clipped << QStringLiteral("%1 (%2 < %3)").arg(text).arg(widget->width()).arg(needed);
        const QRect place(widget->mapTo(root, QPoint(0, 0)), widget->size());
        if (!root->rect().contains(place))
            clipped << QStringLiteral("%1 (past the edge)").arg(text);
    };
    for (QLabel* label : root->findChildren<QLabel*>())
        if (!label->wordWrap() && label->pixmap().isNull())
            check(label, label->text(), label->sizeHint().width());
    // A button's text against its whole width: its padding may give way, its text may not. Only
    // buttons the style draws in their own font; those that paint their text themselves (the bar's
    // source kinds, the sidebar's shape tiles) choose a font of their own.
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button))
            check(button, button->text(), button->fontMetrics().horizontalAdvance(button->text()));
    return clipped.join(QStringLiteral("; ")).toStdString();
}

class TranslatedWindowTest : public test::RecorderWindowFixture, public testing::WithParamInterface<Language> {
protected:
    void SetUp() override
    {
        previousLanguage = qgetenv("LANGUAGE");
        qputenv("LANGUAGE", GetParam().code);
        if (!test::requireDisplay())
            GTEST_SKIP();
        test::ensureWidgetApplication();
        // As main() does, before the first window.
        ASSERT_EQ(AppLanguage::install(*QCoreApplication::instance()), QString::fromLatin1(GetParam().code));
        RecorderWindowFixture::SetUp();
    }

    void TearDown() override
    {
        RecorderWindowFixture::TearDown();
        for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        if (previousLanguage.isNull())
            qunsetenv("LANGUAGE");
        else
            qputenv("LANGUAGE", previousLanguage);
    }

    QString suffix() const { return QString::fromLatin1(GetParam().code); }

    QByteArray previousLanguage;
};

} // namespace

TEST_P(TranslatedWindowTest, TheBarNamesItsControlsInTheLanguageAndCutsNoneShort)
{
    showWindow();
    EXPECT_EQ(bar().recordButton()->accessibleName(), QString::fromUtf8(GetParam().startRecording));
    QStringList pills;
    for (PillButton* pill : window->findChildren<PillButton*>()) {
        pills << pill->text();
        EXPECT_FALSE(pill->isTextElided()) << pill->text().toStdString();
    }
    EXPECT_TRUE(pills.contains(QString::fromUtf8(GetParam().noCamera))) << pills.join(", ").toStdString();
    // The source kinds draw their titles themselves, in buttons of one width.
    auto* picker = window->findChild<SourceKindPicker*>();
    ASSERT_TRUE(picker);
    const QFontMetrics title(SourceKindPicker::titleFont(true));
    for (SourceKind kind : {SourceKind::display, SourceKind::window, SourceKind::application}) {
        if (BarButton* button = picker->button(kind)) {
            EXPECT_LE(title.horizontalAdvance(button->text()), button->width() - 8) << button->text().toStdString();
        }
    }
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("recorder-bar-") + suffix());
}

TEST_P(TranslatedWindowTest, TheStudioSpeaksTheLanguageWithNothingClipped)
{
    showWindow();
    RecordingTimeline timeline;
    timeline.videoURL = media::test::makeMovie(folder.path() / "screen.mp4", 2, 1280, 720, false);
    window->showStudio({timeline, std::nullopt, std::nullopt, {}});
    StudioView* studio = nullptr;
    ASSERT_TRUE(waitFor(60, [&] {
        studio = window->findChild<StudioView*>();
        return studio && studio->session().playback().isLoaded();
    }));
    EXPECT_TRUE(alerts.empty());
    QStringList buttons;
    for (QAbstractButton* button : studio->findChildren<QAbstractButton*>())
        buttons << button->text();
    EXPECT_TRUE(buttons.contains(QString::fromUtf8(GetParam().exportButton))) << buttons.join(", ").toStdString();
    EXPECT_EQ(clippedTexts(studio), "");
    test::saveScreenshot(window->grab().toImage(), QStringLiteral("studio-") + suffix());

    // Each panel of the sidebar, opened from the rail as a click does.
    StudioSidebarView* sidebar = studio->editingViews().sidebar();
    for (StudioTab tab : kAllStudioTabs) {
        QAbstractButton* opener = nullptr;
        for (QAbstractButton* button : studio->findChildren<QAbstractButton*>())
            if (button->accessibleName() == title(tab) && button->isVisibleTo(studio))
                opener = button;
        ASSERT_TRUE(opener) << title(tab).toStdString();
        if (!(sidebar->isVisible() && sidebar->tab() == tab))
            opener->click();
        ASSERT_TRUE(waitFor(10, [&] { return sidebar->isVisible() && sidebar->tab() == tab; }));
        EXPECT_EQ(clippedTexts(sidebar), "") << title(tab).toStdString();
        const auto name = rawValue(tab);
        test::saveScreenshot(window->grab().toImage(), QStringLiteral("studio-%1-%2")
                                                           .arg(suffix(), QString::fromUtf8(name.data(), int(name.size()))));
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedWindowTest, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<Language>& info) { return std::string(info.param.code); });
