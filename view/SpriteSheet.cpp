#include "view/SpriteSheet.h"

#include <boost/make_shared.hpp>

boost::shared_ptr<QPixmap> spriteSheet;

void loadSpriteSheet()
{
    // The resource lives in a static library: without this the linker may
    // drop it from executables that never name it.
    Q_INIT_RESOURCE(sprites);
    spriteSheet = boost::make_shared<QPixmap>(QStringLiteral("pix.png"));
    if (spriteSheet->isNull())
        spriteSheet = boost::make_shared<QPixmap>(QString::fromLatin1(builtInSpriteSheet));
}
