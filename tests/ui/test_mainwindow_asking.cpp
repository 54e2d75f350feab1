// Nothing is lost without a question: files are not replaced, a smaller device type names what it
// hides, and what a load skips is shown.
#include "support/window_fixture.h"

#include "storage/fileio.h"

#include <QStatusBar>
#include <functional>

using NeverWithoutAsking = TWindowTest;

TEST_F(NeverWithoutAsking, EverySaveDialogAsksBeforeReplacingAFile)
{
    const struct
    {
        const char *file;
        int filter;
        std::function<void(TfrMain &)> command;
    } cases[] = {
        {"saved.vlpj", 0, [](TfrMain &w) { w.miProjectSaveAsClick(); }},
        {"exported.csv", 0, [](TfrMain &w) { w.miProjectExportClick(); }},
        {"exported.xlsx", 1, [](TfrMain &w) { w.miProjectExportClick(); }},
        {"printed.pdf", 0, [](TfrMain &w) { w.miExportPdfClick(); }},
    };
    OpenTree(2, {{1, 1}});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = PathIn(c.file);
        WriteFileAtomically(path, "another school's file");
        const QString question = U("Файл ") + QString::fromStdString(path) + U(" уже существует. Заменить его?");
        Prompts.AnswerSaveFile(QString::fromStdString(path), c.filter).AnswerYesNo(false, question);
        c.command(*Window);
        Prompts.ExpectDone();
        EXPECT_EQ(ReadWholeFile(path), "another school's file");
        Prompts.AnswerSaveFile(QString::fromStdString(path), c.filter).AnswerYesNo(true, question);
        c.command(*Window);
        Prompts.ExpectDone();
        EXPECT_NE(ReadWholeFile(path), "another school's file");
    }
}

TEST_F(NeverWithoutAsking, ADeviceTypeThatHidesGroupsOrZonesNamesThemFirst)
{
    OpenTree(4, {{1, 1}, {6, 0}, {7, 1}}); // 8 zones
    for (int z = 5; z <= 8; ++z)
        Project.Groups[1].Zones[z] = true;
    Project.Groups[2].Used = true;
    Project.Groups[2].Zones[2] = true; // within 4 zones: kept, not named
    const QString question = U("Группы 6, 7 и зоны 5–8 группы 1 не поддерживаются прибором Велтара ДК-4 и будут "
                               "удалены при сохранении.\nВыбрать этот прибор?");
    const int32_t before = Project.DeviceType;
    Prompts.AnswerInputChoice(U("Велтара ДК-4")).AnswerYesNo(false, question);
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(Project.DeviceType, before);
    EXPECT_FALSE(Modified());
    EXPECT_EQ(TreeTexts().size(), 5); // nothing hidden
    Prompts.AnswerInputChoice(U("Велтара ДК-4")).AnswerYesNo(true, question);
    Window->lbDeviceNameAltClick();
    EXPECT_NE(Project.DeviceType, before);
    EXPECT_TRUE(Modified());
    TProject small;
    ResetProject(small);
    small.Groups[2].Used = true;
    small.Groups[2].Zones[3] = true;
    // One thing alone is named in the singular.
    EXPECT_EQ(TfrMain::HiddenByDeviceType(small, 1), U("Зона 3 группы 2 не поддерживается прибором Велтара ДК-2 и "
                                                       "будет удалена при сохранении"));
}

TEST_F(NeverWithoutAsking, WhatALoadSkipsIsShownInTheLogAndOneMessage)
{
    const QString path = QString::fromUtf8(SIG_TEST_DATA "/handedited-utf8bom.vlpj");
    Prompts.AnswerOpenFile(path).ExpectNotice();
    Window->miProjectLoadClick();
    Prompts.ExpectDone();
    ASSERT_FALSE(Prompts.Asked.empty());
    const QString notice = Prompts.Asked.back().Text;
    EXPECT_TRUE(notice.startsWith(U("В файле ") + path + U(" есть записи, которым нет места в проекте.")))
        << notice.toStdString();
    EXPECT_TRUE(notice.contains(U("40"))) << notice.toStdString();
    ASSERT_FALSE(LogLines().isEmpty());
    EXPECT_TRUE(LogLines().front().startsWith(U("Пропущено: "))) << LogLines().front().toStdString();
    EXPECT_EQ(States(), Opened);
}
