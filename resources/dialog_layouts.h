#pragma once

#include "platform/ui.h"

namespace rlq::res {

const platform::DialogLayout& FormLayout();    // 131, the update view
const platform::DialogLayout& SearchLayout();  // 132, the search dialog
const platform::DialogLayout& AboutLayout();   // 100, the about box

}  // namespace rlq::res
