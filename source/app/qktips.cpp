#include "source/app/qktips.h"

#include "source/base/strtable.h"

int QkCountTips(const std::function<bool(unsigned id)>& exists)
{
    // count tips are known to exist; advance while the tip count + step does.
    int count = 0;
    for (int step = 100; step > 0; step /= 2)
        while (exists(kFirstTipId + static_cast<unsigned>(count + step - 1)))
            count += step;
    return count;
}

int QkCountTips()
{
    return QkCountTips([](unsigned id) { return QkLoadString(id)[0] != '\0'; });
}
