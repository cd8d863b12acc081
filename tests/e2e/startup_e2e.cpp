#include "apprun.h"
#include "programfolder.h"

#include <gtest/gtest.h>

TEST(StartUp, RewritesAChangedOptionAndLeavesTheRest)
{
    ProgramFolder program;
    program.writeSettings("/tmp/aktar.txt", "/tmp/yedek", "False", "True", "0", "");
    AppRun app(program);
    EXPECT_TRUE(waitUntil([&] { return program.read(QStringLiteral("Ayarlar/Saat.txt")) == "0"; }, 20000));
    EXPECT_TRUE(app.running());
    EXPECT_EQ(program.read(QStringLiteral("Ayarlar/VeriSil.txt")), QByteArray("True"));
    EXPECT_TRUE(app.dialogs().isEmpty()) << app.standardError().toStdString();
}

TEST(StartUp, NoSettingsFolderShowsOneErrorNamingAktarTxt)
{
    ProgramFolder program(false);
    AppRun app(program);
    ASSERT_TRUE(waitUntil([&] { return !app.dialogs().isEmpty(); }, 20000));
    const QStringList shown = app.dialogs();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("error: Cannot open file \""))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Aktar.txt")));
    EXPECT_TRUE(app.running());
}
