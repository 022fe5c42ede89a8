#include "toolkit_setup.h"

#include <QByteArray>
#include <QtGlobal>

namespace quillmar {

void prepareToolkit()
{
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", QByteArray("1"));
}

}  // namespace quillmar
