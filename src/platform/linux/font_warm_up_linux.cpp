#include "platform/font_warm_up.h"

#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

namespace runpad {

FontWarmUp::FontWarmUp()
    : thread_(
          [] {
              // Reads the configuration and the cache of installed faces;
              // later callers, the toolkit among them, find it loaded.
              FcInit();
          },
          [] {
              // The toolkit's list of faces is shared by all threads and built
              // under its own lock: the window's first text finds it built,
              // or waits for it.
              QFontDatabase::families();
          }) {}

} // namespace runpad
