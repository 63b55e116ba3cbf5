// The preferences dialog and its pages.
#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>

#include "desktop/desktop_app.h"
#include "desktop/preferences_dialog.h"
#include "scenes.h"
#include "shooter.h"
#include "ui/edit_column_dialog.h"
#include "ui/sql_editor.h"
#include "ui/table_preferences_page.h"

namespace shots {
namespace {

// Opens the column editor on the row named `name` and saves it as `file`,
// after `prepare` has had its way with the editor.
void shootEditor(Scene& scene, ui::PreferencesPageInstanceTable& page, const QString& name, const QString& file,
                 const std::function<void(ui::EditColumnDialog&)>& prepare = {}) {
  const QList<QTableWidgetItem*> found = page.list().findItems(name, Qt::MatchExactly);
  if (found.isEmpty()) {
    std::fprintf(stderr, "no column %s\n", qPrintable(name));
    return;
  }
  page.list().selectRow(found.first()->row());
  page.run_editor = [&](ui::EditColumnDialog& dialog) {
    if (prepare) prepare(dialog);
    dialog.show();
    settle();
    scene.shooter.save(file, dialog.grab());
    return false;
  };
  page.editColumn();
  page.run_editor = [](ui::EditColumnDialog& dialog) { return dialog.run(); };
}

}  // namespace

void shootPreferences(Scene& scene) {
  desktop::PreferencesDialog dialog(scene.player, scene.app.registry(), [](const QString&) { return QString(); },
                                    &scene.window);
  dialog.resize(820, 520);
  dialog.show();

  dialog.showPage("Library");
  settle();
  scene.shooter.save("preferences_library", dialog.grab());
  dialog.showPage("Advanced");
  settle();
  scene.shooter.save("preferences_advanced", dialog.grab());

  dialog.showPage("Playlist table");
  settle();
  scene.shooter.save("preferences_playlist_table", dialog.grab());

  dialog.showPage("MediaLibrary table");
  auto* page = qobject_cast<ui::PreferencesPageInstanceTable*>(dialog.currentPage());
  page->list().selectRow(3);
  settle();
  scene.shooter.save("preferences_medialibrary_table", dialog.grab());

  shootEditor(scene, *page, "genre", "edit_column_tag");
  shootEditor(scene, *page, "genre", "edit_column_tag_split",
              [](ui::EditColumnDialog& editor) { editor.splitBox().setChecked(true); });
  shootEditor(scene, *page, "codec", "edit_column_techinfo");
  shootEditor(scene, *page, "filesize", "edit_column_predefined");
  shootEditor(scene, *page, "%title%", "edit_column_tfexpression");
  shootEditor(scene, *page, "%title%", "edit_column_tfexpression_error", [](ui::EditColumnDialog& editor) {
    editor.expressionEdit().setText(QStringLiteral("$upper(%title%"));
  });
  dialog.reject();
}

}  // namespace shots
