// The panel options dialog and the icon selector.
#include <QCheckBox>

#include "scenes.h"
#include "shooter.h"
#include "ui/icon_selector_dialog.h"
#include "ui/options_dialog.h"
#include "ui/panel_attributes.h"

namespace shots {

void shootOptionsAndIcons(Scene& scene) {
  tree::Panel& panel = scene.panel.panel();

  // As a panel that follows the UI opens it: font and colours locked.
  tree::PanelSettings settings = panel.settings();
  {
    ui::OptionsDialog options(settings, panel.uiAttributes(), &scene.window);
    options.show();
    settle();
    scene.shooter.save("options", options.grab());
    // Cleared: the panel's own font and colours can be picked.
    options.useUiAttributes().setChecked(false);
    settle();
    scene.shooter.save("options_own_attributes", options.grab());
    options.reject();
  }

  // The selector in the panel's colours, on the root's icon.
  ui::IconSelectorDialog selector(settings.icon, ui::toQColor(settings.back), ui::toQColor(settings.text),
                                  &scene.window);
  selector.show();
  settle();
  scene.shooter.save("icon_selector", selector.grab());
  selector.reject();
}

}  // namespace shots
