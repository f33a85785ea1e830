#include "report/pages/BRPageStream.h"

#include <algorithm>

void TBROutline::SetOutlineTreeNodes(TBROutlineNodes* nodes) {
    nodes_ = nodes;
    if (nodes_) RebuildOutlineTree();
}

void TBROutline::RebuildOutlineTree() {
    if (!nodes_) return;
    nodes_->Clear();
    nodes_->BeginUpdate();
    int last[kMaxLevel + 1] = {};  // the last node made at each level; 0 none
    for (const TBROutlineEntry& e : entries_) {
        int level = std::clamp(e.Level, 1, kMaxLevel);
        int node = nodes_->AddChild(level > 1 ? last[level - 1] : 0, e.Caption);
        last[level] = node;
    }
    nodes_->EndUpdate();
}

void TBROutline::FindOutlineEntry(int nodeKey, TRect& area, int& page) const {
    for (const TBROutlineEntry& e : entries_)
        if (e.NodeKey == nodeKey) {
            area = e.Area;
            page = e.Page;
            return;
        }
    area = TRect{};
    page = 0;
}
