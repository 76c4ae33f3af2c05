#include "view/SpriteSheet.h"

#include <boost/make_shared.hpp>

boost::shared_ptr<QPixmap> spriteSheet;

void loadSpriteSheet()
{
    spriteSheet = boost::make_shared<QPixmap>(QStringLiteral("pix.png"));
    if (spriteSheet->isNull())
        spriteSheet = boost::make_shared<QPixmap>(QString::fromLatin1(builtInSpriteSheet));
}
