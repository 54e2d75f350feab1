#pragma once

// A main window over a project built in the test, with scripted prompts, and the read-backs
// the window tests share.

#include "model/type.h"
#include "support/scripted_prompts.h"
#include "ui/mainwindow/sigcfg.h"
#include "ui/widgets/checklist.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

inline QString U(const char *text)
{
    return QString::fromUtf8(text);
}

class TWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Closing a window in a test must not post a quit that ends a later dialog's loop.
        QApplication::setQuitOnLastWindowClosed(false);
        QSettings().clear(); // no recent projects or folder from an earlier test
        ResetProject(Project);
        Window = std::make_unique<TfrMain>(Project, Prompts);
        ASSERT_TRUE(Folder.isValid());
    }

    void TearDown() override { Window.reset(); }

    // The window's private parts, reached as its friend.
    TfrMain::TControls &Ui() const { return Window->Ui; }
    bool Modified() const { return Window->Modified; }
    void SetModified(bool modified) { Window->Modified = modified; }
    std::vector<std::string> &PlayList() const { return Window->PlayList; }
    int ClipboardMode() const { return Window->ClipboardMode; }
    int CurrentGroup() const { return Window->CurrentGroup; }
    int CurrentScenario() const { return Window->CurrentScenario; }
    TfrInputValue *frInputValue() const { return Window->frInputValue.get(); }
    TfrPlayList *frPlayList() const { return Window->frPlayList.get(); }
    TfrSelect *frSelect() const { return Window->frSelect.get(); }
    TWeekChart *WeekChartWindow() const { return Window->frWeekChart; }
    /// Builds the group and scenario pages now, as the window does when it first shows each.
    void BuildPages() const
    {
        Window->GroupPage();
        Window->ScenarioPage();
    }

    std::string PathIn(const std::string &name) const
    {
        return Folder.filePath(QString::fromStdString(name)).toStdString();
    }

    /// Puts a project of the given type into the model and opens it in the window.
    void OpenProject(int32_t deviceType, const char *name = "Школа")
    {
        ResetProject(Project);
        Project.Name = name;
        Project.DeviceType = deviceType;
        Window->ProjectOpened();
    }

    /// Opens a project of the type with these nodes, {g, 0} a group and {g, s} a scenario in it.
    void OpenTree(int32_t deviceType, std::initializer_list<std::pair<int, int>> nodes)
    {
        OpenProject(deviceType);
        for (const auto &[g, s] : nodes) {
            Group(g);
            if (s > 0)
                Scenario(g, s);
        }
        Window->RebuildTree();
    }

    TGroup &Group(int g, const char *name = "")
    {
        Project.Groups[g].Used = true;
        Project.Groups[g].Name = name;
        return Project.Groups[g];
    }

    TScenario &Scenario(int g, int s, int hour = 8, int minute = 30, const char *name = "")
    {
        TScenario &scenario = Project.Groups[g].Scenarios[s];
        scenario.Used = true;
        scenario.Name = name;
        scenario.Hour = hour;
        scenario.Minute = minute;
        return scenario;
    }

    /// Selects a node as the operator's click does.
    void Select(QTreeWidgetItem *node)
    {
        ASSERT_NE(node, nullptr);
        Ui().tvMain->setCurrentItem(node);
    }
    void SelectGroup(int g) { Select(Window->FindGroupNode(g)); }
    void SelectScenario(int g, int s) { Select(Window->FindScenarioNode(g, s)); }

    /// The tree, one entry per node; scenario nodes indented by two blanks.
    QStringList TreeTexts() const
    {
        QStringList texts;
        for (int i = 0; i < Ui().tvMain->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *group = Ui().tvMain->topLevelItem(i);
            texts.push_back(group->text(0));
            for (int j = 0; j < group->childCount(); ++j)
                texts.push_back(U("  ") + group->child(j)->text(0));
        }
        return texts;
    }

    QStringList LogLines() const
    {
        const QString text = Ui().mmLog->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }

    QWidget *Page() const { return Ui().pcMain->currentWidget(); }

    /// The enabled state of the commands that change with the window's state, one letter each and
    /// "." when disabled: P the project commands (save, save as, close, export, playlist, settings,
    /// their buttons), L the two link labels, G add group in the menu, g in the pop-up, D delete
    /// group, S add scenario, d delete scenario, C copy and cut, V paste.
    std::string States() const
    {
        const auto &w = Ui();
        const bool project = w.miProjectSave->isEnabled();
        // The project-wide commands move together; a split among them is a fault of its own.
        for (const bool other :
             {w.miProjectSaveAs->isEnabled(), w.miProjectClose->isEnabled(), w.miProjectExport->isEnabled(),
              w.miSavePlaylist->isEnabled(), w.miProjectSetting->isEnabled(), w.bbSaveProject->isEnabled(),
              w.bbSaveAsProject->isEnabled(), w.bbExportProject->isEnabled(), w.bbSavePlayList->isEnabled()})
            EXPECT_EQ(other, project) << "project commands disagree";
        EXPECT_EQ(w.lbProjectNameAlt->isEnabled(), w.lbDeviceNameAlt->isEnabled());
        // Menu and pop-up agree except for add group in the window just created (AtStart).
        EXPECT_EQ(w.miDelGroup->isEnabled(), w.pmmiDelGroup->isEnabled());
        EXPECT_EQ(w.miAddScenario->isEnabled(), w.pmmiAddScenario->isEnabled());
        EXPECT_EQ(w.miDelScenario->isEnabled(), w.pmmiDelScenario->isEnabled());
        EXPECT_EQ(w.miCopyScenario->isEnabled(), w.pmmiCopyScenario->isEnabled());
        EXPECT_EQ(w.miCutScenario->isEnabled(), w.pmmiCopyScenario->isEnabled());
        EXPECT_EQ(w.pmmiCutScenario->isEnabled(), w.pmmiCopyScenario->isEnabled());
        EXPECT_EQ(w.miPutScenario->isEnabled(), w.pmmiPutScenario->isEnabled());
        // Always available.
        for (const bool always : {w.miProjectNew->isEnabled(), w.miProjectLoad->isEnabled(),
                                  w.miProjectImport->isEnabled(), w.miAbout->isEnabled(), w.bbNewProject->isEnabled(),
                                  w.bbOpenProject->isEnabled(), w.bbImportProject->isEnabled()})
            EXPECT_TRUE(always);
        const std::string letters = "PLGgDSdCV";
        std::string states;
        for (const bool on :
             {project, w.lbProjectNameAlt->isEnabled(), w.miAddGroup->isEnabled(), w.pmmiAddGroup->isEnabled(),
              w.miDelGroup->isEnabled(), w.miAddScenario->isEnabled(), w.miDelScenario->isEnabled(),
              w.pmmiCopyScenario->isEnabled(), w.pmmiPutScenario->isEnabled()})
            states += on ? letters[states.size()] : '.';
        return states;
    }

    // The command states of each window state, as States() spells them.
    static constexpr const char *AtStart = "...g.....";
    static constexpr const char *Closed = ".........";
    static constexpr const char *Opened = "PLGg.....";
    static constexpr const char *GroupShown = "PLGgDS...";
    static constexpr const char *GroupShownPaste = "PLGgDS..V";
    static constexpr const char *ScenarioShown = "PL...SdC.";

    QTemporaryDir Folder;
    TProject Project;
    TScriptedPrompts Prompts;
    std::unique_ptr<TfrMain> Window;
};
