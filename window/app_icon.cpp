#include "window/layout.h"

namespace tintcast::window {

namespace {

// 32 x 32 in the 16-colour palette: red, green and blue light adding up.
const char* const kAppIconXpm[] = {
    "32 32 9 1",
    ". c None",
    "B c #0000FF",
    "C c #00FFFF",
    "G c #00FF00",
    "M c #FF00FF",
    "R c #FF0000",
    "W c #FFFFFF",
    "Y c #FFFF00",
    "k c #000000",
    "................................",
    ".............kkkkkk.............",
    "...........kkkRRRRkkk...........",
    ".........kkRRRRRRRRRRkk.........",
    "........kkRRRRRRRRRRRRkk........",
    "........kRRRRRRRRRRRRRRk........",
    ".......kRRRRRRRRRRRRRRRRk.......",
    "......kkRRRRRRRRRRRRRRRRkk......",
    "......kRRRRRRRRRRRRRRRRRRk......",
    "......kRRRRRRRRRRRRRRRRRRk......",
    "......kRRRRRRRRRRRRRRRRRRk......",
    ".....kkRRYYYRRRRRRRRMMMRRkk.....",
    "....kkGYYYYYYYYRRMMMMMMMMBkk....",
    "...kkGGYYYYYYYYYMMMMMMMMMBBkk...",
    "..kkGGGYYYYYYYYWWMMMMMMMMBBBkk..",
    ".kkGGGGGYYYYYYWWWWMMMMMMBBBBBkk.",
    ".kGGGGGGYYYYYWWWWWWMMMMMBBBBBBk.",
    ".kGGGGGGGYYYYWWWWWWMMMMBBBBBBBk.",
    "kkGGGGGGGGYYYWWWWWWMMMBBBBBBBBkk",
    "kGGGGGGGGGGYWWWWWWWWMBBBBBBBBBBk",
    "kGGGGGGGGGGGCCWWWWCCBBBBBBBBBBBk",
    "kGGGGGGGGGGGCCCCCCCCBBBBBBBBBBBk",
    "kkGGGGGGGGGGGCCCCCCBBBBBBBBBBBkk",
    ".kGGGGGGGGGGGCCCCCCBBBBBBBBBBBk.",
    ".kGGGGGGGGGGGCCCCCCBBBBBBBBBBBk.",
    ".kkGGGGGGGGGGGCCCCBBBBBBBBBBBkk.",
    "..kkGGGGGGGGGGGCCBBBBBBBBBBBkk..",
    "...kkGGGGGGGGGGGBBBBBBBBBBBkk...",
    "....kkGGGGGGGGGkkBBBBBBBBBkk....",
    ".....kkkkGGGkkkkkkkkBBBkkkk.....",
    "........kkkkk......kkkkk........",
    "................................",
};

}  // namespace

std::span<const char* const> AppIconXpm() {
    return kAppIconXpm;
}

}  // namespace tintcast::window
