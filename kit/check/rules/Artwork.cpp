#include "kit/check/rules/Artwork.h"

#include <cstdio>

#include "kit/check/BitmapAdvice.h"
#include "kit/disc/ButtonLayout.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscFolder.h"
#include "ui/ButtonFace.h"

const CheckRule kRuleBitmapUnreadable = {
    "BX0301", "bitmap-unreadable", false, "A bitmap of the front window cannot be read.",
    "make it a readable file, or make the artwork again: bxdisc art DISC --backdrop IMAGE.png --update-inf"};
const CheckRule kRuleBitmapRefused = {
    "BX0302", "bitmap-refused", false,
    "The launcher's bitmap loader refuses the file, and the front window cannot open or has no buttons.",
    "make the artwork with bxdisc art DISC --backdrop IMAGE.png --update-inf: 1, 4 or 8 bits per pixel, a 40-byte "
    "header, uncompressed"};
const CheckRule kRuleBitmapMisread = {
    "BX0303", "bitmap-misread", false, "The launcher loads the bitmap, but draws something else than its author meant.",
    "make the artwork with bxdisc art DISC --backdrop IMAGE.png --update-inf"};

static bool LoadBitmap(CCheckContext& context, ParamKey key, const std::string& path, DiscBitmap* bitmap) {
    std::vector<unsigned char> file;
    Where where = context.AtKey(key, context.Relative(path));
    std::string art = ArtCommand(context.folder(), key == AutorunButtons);
    if (!ReadWholeFile(path, &file)) {
        context.Add(kRuleBitmapUnreadable, where, context.Quoted(key) + " cannot be read",
                    "make it a readable file, or make the artwork again: " + art);
        return false;
    }
    BitmapReading reading = ReadDiscBitmap(file, bitmap);
    if (!reading.loaded) {
        std::string cause = RefusalCause(file);
        if (!cause.empty()) reading.rejection += ": " + cause + ", which the launcher does not read";
        context.Add(kRuleBitmapRefused, where, context.Quoted(key) + ": " + reading.rejection, art);
        return false;
    }
    for (const std::string& misread : reading.misreads)
        context.Add(kRuleBitmapMisread, where, context.Quoted(key) + ": " + misread, art);
    return true;
}

const CheckRule kRuleStripGrid = {
    "BX0304", "buttons-not-5x4", false,
    "The button strip is not 5 faces across and 4 down: what is left over is never shown.",
    "make the strip 5 x 4 faces of equal size: bxdisc art DISC --sheet FACES.png or --labels"};
const CheckRule kRuleStripColours = {
    "BX0305", "buttons-colours-outside-palette", false,
    "The button strip has colours that the backdrop's colour table lacks, which a 256-colour screen shows as others.",
    "make both bitmaps with one colour table: bxdisc art DISC --backdrop IMAGE.png --update-inf"};
const CheckRule kRuleButtonsLayout = {
    "BX0306", "buttons-layout", false,
    "The buttons, placed as the launcher places them, overlap or leave the backdrop.",
    "make the faces smaller (bxdisc art --face WxH) or the backdrop larger"};

void CheckArtwork(CCheckContext& context, const std::string& backdropPath, const std::string& stripPath) {
    DiscBitmap backdrop, strip;
    bool bBackdrop = !backdropPath.empty() && LoadBitmap(context, AutorunBackdrop, backdropPath, &backdrop);
    bool bStrip = !stripPath.empty() && LoadBitmap(context, AutorunButtons, stripPath, &strip);
    if (!bStrip) return;
    Where where = context.AtKey(AutorunButtons, context.Relative(stripPath));
    std::string art = ArtCommand(context.folder(), true);
    char sz[200];
    if (strip.width % kFaceColumns || strip.height % kFrontButtons) {
        SIZE face = StripFaceSize(strip);
        snprintf(sz, sizeof sz, ": %d x %d is not %d x %d faces; each face is %d x %d and the rest is never shown",
                 (int)strip.width, (int)strip.height, kFaceColumns, kFrontButtons, (int)face.cx, (int)face.cy);
        context.Add(kRuleStripGrid, where, context.Quoted(AutorunButtons) + sz, "make the strip 5 x 4 faces of equal size: " + art);
    }
    if (!bBackdrop) return;
    if (size_t n = ColoursOutsideTable(backdrop, strip)) {
        snprintf(sz, sizeof sz,
                 ": %zu of its colours are not in the backdrop's colour table, so a 256-colour screen shows them as others", n);
        context.Add(kRuleStripColours, where, context.Quoted(AutorunButtons) + sz, art);
    }
    std::string problems;
    for (const std::string& problem : LayoutProblems(backdrop.width, backdrop.height, StripFaceSize(strip)))
        problems += (problems.empty() ? "" : "; ") + problem;
    if (!problems.empty()) context.Add(kRuleButtonsLayout, context.AtKey(AutorunButtons), problems);
}
