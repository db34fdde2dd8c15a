// Launching the current command, showing the details of the current row,
// the quick search and the keyboard control of the main window.

#include "core/common/app_error.h"
#include "core/image/jpeg_codec.h"
#include "core/image/picture_decoder.h"
#include "core/launch/command_launch.h"
#include "core/launch/key_codes.h"
#include "core/table/picture_finder.h"
#include "core/table/table_columns.h"
#include "core/table/table_search.h"
#include "platform/icon_extractor.h"
#include "platform/settings_file.h"
#include "platform/shell_start.h"
#include "ui/error_display.h"
#include "ui/key_preview.h"
#include "ui/main_form.h"
#include "ui/picture_view.h"
#include "ui/string_grid_view.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>

namespace runpad {

QString TForm1::executableFolder() const {
    return QFileInfo(executablePath_).absolutePath() + u'/';
}

// ---- Launch ----

void TForm1::StringGrid1DblClick() {
    grid_.setOptions(grid_.options() | goEditing);
    const QString T0 = grid_.cell(grid_.col(), grid_.row());
    pasteClipboardPicture();
    if (T0.isEmpty())
        return;
    if (grid_.col() != kCommandCol && !grid_.hasOption(goRowSelect))
        return;
    const QString command = grid_.cell(kCommandCol, grid_.row());
    // Only a start this desktop cannot make at all comes back, as a text.
    if (const auto status = shell_.shellExecute(launchRequest(command, executableFolder())))
        setPanelText(5, *status);
}

void TForm1::pasteClipboardPicture() {
    if (grid_.col() != kImageCol)
        return;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasImage())
        return;
    const QImage picture = qvariant_cast<QImage>(data->imageData());
    if (picture.isNull())
        return;
    ScrollBox1->assignPicture(toBitmap24(picture), true);
    ScrollBox1->FitImageToParent();
    SavePreviewAsJpeg(
        previewImagePath(grid_.cell(kCommandCol, grid_.row()), kPastedPictureExtension));
    grid_.setCell(kImageCol, grid_.row(), QString(kImageMarker));
}

void TForm1::SavePreviewAsJpeg(const QString& path) {
    // Checked first: reading the bitmap discards a picture that is none.
    if (isJpegPicturePath(path))
        savePreviewAsJpeg(ScrollBox1->bitmap(), path);
}

void TForm1::ToolButton15Click() {
    shell_.shellExecute(controlPanelHelpRequest(executableFolder()));
}

// ---- Row selection ----

void TForm1::StringGrid1Click() {
    setPanelText(0, QString::number(grid_.col()));
    const int last = grid_.rowCount() - 1;
    if (grid_.row() == last && !grid_.cell(kCommandCol, last).isEmpty())
        grid_.setRowCount(grid_.rowCount() + 1);
    if (!KeyHeld)
        ShowRowDetails(grid_.row());
}

void TForm1::ShowRowDetails(int row) {
    const QString command = grid_.cell(kCommandCol, row);
    setPanelText(1, QString::number(row));
    setPanelText(2, command);
    setPanelText(4, QString());
    if (commandExtension(command) == QLatin1String(".url"))
        ShowUrlShortcut(command);

    const QString picture =
        findPreviewPicture(command, [](const QString& path) { return QFileInfo(path).isFile(); });
    if (picture.isEmpty())
        return;
    ScrollBox1->LoadImageFile(picture);
    ScrollBox1->setAutoSize(true);
    setWindowTitle(QStringLiteral("Launch ") + command);
    QPoint origin(0, 0);
    ScrollBox1->ZoomImageAt(0, origin); // the picture at its natural size
    setPanelText(4, picture);
}

void TForm1::ShowUrlShortcut(const QString& path) {
    setPanelText(4, QStringLiteral("url process1"));
    const SettingsFile shortcut(path);
    const QString section = QStringLiteral("InternetShortcut");
    const QString directory = shortcut.readString(section, QStringLiteral("WorkingDirectory"));
    const QString url = shortcut.readString(section, QStringLiteral("URL"));
    const QString iconFile = shortcut.readString(section, QStringLiteral("IconFile"));
    setPanelText(4, directory + u' ' + url + u' ' + iconFile);

    const QImage icon = icons_.extractFirstIcon(iconFile);
    if (icon.isNull()) {
        prompts_.showMessage(QStringLiteral("Failed to extract icon from the specified EXE file."));
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QImage bitmap(systemIconSize(ratio), QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(Qt::white);
    {
        QPainter painter(&bitmap);
        painter.drawImage(QPoint(0, 0), icon);
    }
    ScrollBox1->assignPicture(bitmap, true);
}

// ---- Quick search ----

void TForm1::Action_searchExecute() {
    if (const auto hit = findForward(grid_, ComboBox_search->currentText())) {
        grid_.setRow(hit->row);
        grid_.setCol(hit->col);
        SearchHit = true;
    }
}

void TForm1::Action_search_upExecute() {
    if (const auto hit = findBackward(grid_, ComboBox_search->currentText())) {
        grid_.setRow(hit->row);
        grid_.setCol(hit->col);
        SearchHit = true;
    }
}

void TForm1::ComboBox_searchChange() {
    grid_.setOptions(grid_.options() & ~GridOptions(goRowSelect));
    Action_searchExecute();
}

// ---- Keyboard ----

bool TForm1::FormKeyDown(int Key, bool Shift) {
    KeyHeld = true;
    if (!Shift)
        return false;
    const int row = grid_.row();
    const int rowCount = grid_.rowCount();
    switch (Key) {
    case vk::kEnd:
        for (int i = 0; i < rowCount - row - 2; ++i)
            Action_move_row_downExecute();
        break;
    case vk::kHome:
        for (int i = 0; i < row + 1; ++i)
            Action_move_row_upExecute();
        break;
    case vk::kUp:
        Action_move_row_upExecute();
        break;
    case vk::kDown:
        Action_move_row_downExecute();
        break;
    case vk::kDelete:
        Action_del_rowExecute();
        break;
    default:
        break;
    }
    return true;
}

void TForm1::FormKeyUp(int Key) {
    KeyHeld = false;
    setPanelText(0, QString::number(Key));
    if (Key == vk::kHome && grid_.rowCount() > 1)
        grid_.setRow(1);
    if (Key == vk::kReturn) {
        QWidget* focus = QApplication::focusWidget();
        const bool inSearchBox =
            focus && (focus == ComboBox_search || ComboBox_search->isAncestorOf(focus) ||
                      focus == ComboBox_search->view());
        if (SearchHit && inSearchBox)
            StringGrid1DblClick();
        else if (focus == StringGrid1 && keyDownTarget_ == StringGrid1)
            StringGrid1DblClick(); // not for an Enter that ended a cell edit
    }
    ShowRowDetails(grid_.row());
}

void TForm1::installKeyPreview() {
    keyPreview_ = new KeyPreview(
        *this,
        [this](QKeyEvent& key) {
            bool swallow = false;
            // The focus moves when a key-down ends a cell edit; the key-up
            // must know where its key-down went.
            keyDownTarget_ = QApplication::focusWidget();
            errors_.guard([&] {
                swallow =
                    FormKeyDown(virtualKeyCodeOf(key), key.modifiers().testFlag(Qt::ShiftModifier));
            });
            return swallow;
        },
        [this](QKeyEvent& key) { errors_.guard([&] { FormKeyUp(virtualKeyCodeOf(key)); }); });
}

} // namespace runpad
