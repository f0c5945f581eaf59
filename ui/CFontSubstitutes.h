// The typefaces the forms name are those of the desktop they were drawn for
// ("Arial", "微软雅黑"). A Linux desktop has neither, and without help every
// text falls back to whatever the font configuration picks, so one page mixes
// several looks and Chinese characters come in their Japanese forms.
#ifndef CORVINA_CFONTSUBSTITUTES_H
#define CORVINA_CFONTSUBSTITUTES_H

class CFontSubstitutes
{
public:
    // Maps the forms' families to the fonts Debian has for them (Arial to the
    // metric-compatible Liberation Sans, 微软雅黑 to Noto Sans CJK SC) and
    // makes Noto Sans CJK SC the first choice for the Chinese characters of
    // both. A family that is installed after all still wins; a substitute that
    // is missing is skipped. GUI thread, before the first widget is made.
    static void Install();
};

#endif
