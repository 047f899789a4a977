#pragma once
// A view that counts the document's progress refreshes and can act on each.

#include <functional>

#include "firmware/update_document.h"

namespace rlq::testing {

class FakeDocumentView final : public DocumentView {
  public:
    std::function<void()> onRefresh;
    int refreshes = 0;
    void RefreshProgress() override {
        ++refreshes;
        if (onRefresh) {
            onRefresh();
        }
    }
    void UpdateAllViews() override {}
};

}  // namespace rlq::testing
