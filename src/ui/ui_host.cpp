#include "ui/ui_host.h"
