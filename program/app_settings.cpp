#include "app_settings.h"

AppSettings appSettings;
