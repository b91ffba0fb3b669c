#pragma once
#include "app/startup.h"

#include <QStringList>

// Records what start-up asks of the main window.
struct FakeHost : hsa::StartupHost {
    QString caption = hsa::DesignCaption;
    QString title;
    QString helpFile;
    bool memoCleared = false;
    hsa::ScreenLayout layout;
    bool layoutApplied = false;
    bool updateSwitchChecked = false;
    QString homepageCaption;
    int refreshes = 0;

    QString windowCaption() const override { return caption; }
    void setWindowCaption(const QString& c) override { caption = c; }
    void setApplicationTitle(const QString& t) override { title = t; }
    void setHelpFile(const QString& f) override { helpFile = f; }
    void clearSubjectMemo() override { memoCleared = true; }
    void applyScreenLayout(const hsa::ScreenLayout& l, const hsa::ScreenInfo&) override
    {
        layout = l;
        layoutApplied = true;
    }
    void setUpdateSwitchChecked(bool c) override { updateSwitchChecked = c; }
    void setHomepageEntryCaption(const QString& c) override { homepageCaption = c; }
    void refreshFromState() override { ++refreshes; }
};
