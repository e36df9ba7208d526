// The real save dialog (Qt's, on the offscreen platform): a name typed without an extension gets
// the chosen filter's extension, and the dialog starts in its folder, then in the last name's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <filesystem>

#include "framework/ui/Application.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"

namespace {

using namespace ui;

// Acts on the dialog once it is shown: notes its folder, picks a filter, types a name, accepts.
void AnswerNextDialog(QString& folderShown, int filter, const QString& typed)
{
    QTimer::singleShot(0, [&folderShown, filter, typed] {
        QFileDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
        ASSERT_NE(dialog, nullptr);
        folderShown = dialog->directory().absolutePath();
        dialog->selectNameFilter(dialog->nameFilters()[filter - 1]);
        dialog->selectFile(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

TEST(RealFileDialog, TypedNameGetsTheChosenFiltersExtension)
{
    if (!GuiRunning()) GTEST_SKIP() << "no GUI";
    char pattern[] = "/tmp/ui-dialog-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    std::filesystem::create_directory(folder + "/other");

    TForm form(nullptr);
    TSaveDialog save(&form);
    save.SetFilter("JPEG|*.JPG|BITMAP|*.BMP|PNG|*.PNG");
    save.SetDefaultExt("JPG");
    save.SetInitialDir(folder);
    QString shown;
    AnswerNextDialog(shown, 2, QString::fromStdString(folder + "/other/seg"));
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(shown.toStdString(), folder);
    EXPECT_EQ(save.FileName(), folder + "/other/seg.BMP");
    EXPECT_EQ(save.FilterIndex(), 2);

    // Next time it starts where the last name was chosen.
    AnswerNextDialog(shown, 3, "tile");
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(shown.toStdString(), folder + "/other");
    EXPECT_EQ(save.FileName(), folder + "/other/tile.PNG");

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

}  // namespace
