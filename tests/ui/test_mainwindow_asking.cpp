// Nothing is lost without a question: files are not replaced, a smaller device type names what it
// hides, and what a load skips is shown.
#include "support/window_fixture.h"

#include "model/codepage.h"
#include "storage/fileio.h"

#include <QFileInfo>

#include <QStatusBar>
#include <functional>

using NeverWithoutAsking = TWindowTest;

// A name typed without an extension gets its type's; the question is about the file that would
// be replaced under the resulting name, and the dialog proposes the project's name.
TEST_F(NeverWithoutAsking, EverySaveDialogAddsItsExtensionAndAsksBeforeReplacingTheFile)
{
    const struct
    {
        const char *typed;
        int filter;
        const char *written;
        const char *proposed;
        std::function<void(TfrMain &)> command;
    } cases[] = {
        {"saved.vlpj", 0, "saved.vlpj", "Школа.vlpj", [](TfrMain &w) { w.miProjectSaveAsClick(); }},
        {"saved", 0, "saved.vlpj", "Школа.vlpj", [](TfrMain &w) { w.miProjectSaveAsClick(); }},
        {"exported.csv", 0, "exported.csv", "Школа", [](TfrMain &w) { w.miProjectExportClick(); }},
        {"exported", 0, "exported.csv", "Школа", [](TfrMain &w) { w.miProjectExportClick(); }},
        {"school.xlsx", 1, "school.xlsx", "Школа", [](TfrMain &w) { w.miProjectExportClick(); }},
        {"school", 1, "school.xlsx", "Школа", [](TfrMain &w) { w.miProjectExportClick(); }},
        {"printed.PDF", 0, "printed.PDF", "Школа.pdf", [](TfrMain &w) { w.miExportPdfClick(); }},
        {"printed", 0, "printed.pdf", "Школа.pdf", [](TfrMain &w) { w.miExportPdfClick(); }},
    };
    OpenTree(2, {{1, 1}});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string path = PathIn(c.written);
        WriteFileAtomically(path, "another school's file");
        const QString question = U("Файл ") + QString::fromStdString(path) + U(" уже существует. Заменить его?");
        Prompts.AnswerSaveFile(QString::fromStdString(PathIn(c.typed)), c.filter).AnswerYesNo(false, question);
        c.command(*Window);
        Prompts.ExpectDone();
        EXPECT_EQ(QFileInfo(Prompts.FileStarts.back()).fileName(), U(c.proposed));
        EXPECT_EQ(ReadWholeFile(path), "another school's file");
        Prompts.AnswerSaveFile(QString::fromStdString(PathIn(c.typed)), c.filter).AnswerYesNo(true, question);
        c.command(*Window);
        Prompts.ExpectDone();
        EXPECT_NE(ReadWholeFile(path), "another school's file");
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(PathIn(c.typed))) && std::string(c.typed) != c.written)
            << "written under the name as typed";
    }
    // Files that are not there are written without a question.
    Prompts.AnswerSaveFile(QString::fromStdString(PathIn("new")), 1);
    Window->miProjectExportClick();
    EXPECT_EQ(ReadWholeFile(PathIn("new.xlsx")).substr(0, 2), "PK");
}

// After a load, groups above the device's zone count are named once: they are not saved with this
// device, and a device with more zones shows them again (and then saves them).
TEST_F(NeverWithoutAsking, ALoadNamesHiddenGroupsAsNotSavedAndAsComingBackWithMoreZones)
{
    const std::string path = PathIn("eight.vlpj");
    WriteFileAtomically(path, *Utf8ToCp1251("[Project]\r\nName=Восемь\r\nDevice=Велтара ДК-4\r\n[Groups]\r\n"
                                            "0=1;Корпус;1;\r\n1=5;Спортзал;1;\r\n2=6;;1;\r\n3=7;;1;\r\n4=8;;1;\r\n"
                                            "[Scenarios]\r\n0=5;Свисток;9;0;20;1;0;\r\n"));
    Prompts.AnswerOpenFile(QString::fromStdString(path)).ExpectNotice();
    Window->miProjectLoadClick();
    Prompts.ExpectDone();
    ASSERT_FALSE(Prompts.Asked.empty());
    EXPECT_EQ(Prompts.Asked.back().Text,
              U("В файле ") + QString::fromStdString(path) +
                  U(" группы 5–8 не поддерживаются прибором Велтара ДК-4 и будут удалены при сохранении.\n"
                    "До сохранения это можно вернуть: выберите прибор с большим числом зон (щелчок по «Устройство:»), "
                    "и оно снова будет показано и сохранено."));
    ASSERT_EQ(LogLines().size(), 5); // the four groups and group 5's scenario
    EXPECT_TRUE(LogLines().back().startsWith(U("Скрыто: [Scenarios] 0: номер группы 5")))
        << LogLines().back().toStdString();
    EXPECT_TRUE(LogLines().front().startsWith(U("Скрыто: [Groups] 1: номер группы 5")))
        << LogLines().front().toStdString();
    EXPECT_EQ(TreeTexts(), QStringList{U("Группа 1: Корпус")});

    // As said: a device with eight zones shows them, and a save keeps them.
    Prompts.AnswerInputChoice(U("Велтара ДК-8"));
    Window->lbDeviceNameAltClick();
    EXPECT_EQ(TreeTexts().size(), 6);
    Window->miProjectSaveClick();
    const std::string saved = ReadWholeFile(path);
    EXPECT_NE(saved.find(*Utf8ToCp1251("=5;Спортзал;")), std::string::npos);
    EXPECT_NE(saved.find(*Utf8ToCp1251("=5;Свисток;")), std::string::npos);
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
