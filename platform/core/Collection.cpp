#include "platform/core/Collection.h"

#include <algorithm>

#include "platform/core/ClassBuilder.h"

// ---------------------------------------------------------------- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) : collection_(collection) {
    if (collection_) collection_->items_.push_back(this);
}

TCollectionItem::~TCollectionItem() {
    if (collection_) {
        auto& items = collection_->items_;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
}

TClass TCollectionItem::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TCollectionItem, TPersistent>("TCollectionItem").Build();
    return &info;
}

TClass TCollectionItem::ClassType() const { return StaticClass(); }

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    const auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

// ---------------------------------------------------------------- TCollection

TCollection::~TCollection() { Clear(); }

TClass TCollection::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TCollection, TPersistent>("TCollection").Abstract().Build();
    return &info;
}

TClass TCollection::ClassType() const { return StaticClass(); }

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = NewItem();
    if (item->collection_ != this) {
        item->collection_ = this;
        items_.push_back(item);
    }
    return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
    while (!items_.empty()) delete items_.back();
}

void TCollection::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TCollection*>(source);
    if (!other || other->ClassType() != ClassType()) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    Clear();
    for (TCollectionItem* item : other->items_) Add()->Assign(item);
}

