#pragma once

#include <QPushButton>
#include <initializer_list>
#include <utility>

#include "testbench/core/widget_factory.h"

namespace bench {

// Binds each button of a page to its handler, as OnClick does.
template <class Page>
void BindHandlers(BenchContext& context, Page* page,
                  std::initializer_list<std::pair<QPushButton*, void (Page::*)()>> handlers) {
    for (const auto& [button, handler] : handlers) {
        OnClick(button, context, [page, handler = handler] { (page->*handler)(); });
    }
}

}  // namespace bench
