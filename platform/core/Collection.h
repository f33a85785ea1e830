#pragma once
// Collections: a list of items of one class that the collection owns and
// that form resources store as an array of property objects, in order.

#include "platform/core/Classes.h"

#include <vector>

class TCollection;

// An item of a collection; it leaves its collection when freed.
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* collection = nullptr);
    ~TCollectionItem() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TCollection* Collection() const { return collection_; }
    int Index() const;  // position in the collection, -1 outside one

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

// Owns its items. A descendant says which items it makes (NewItem).
class TCollection : public TPersistent {
public:
    TCollection() = default;
    ~TCollection() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;  // EListError "List index out of bounds (%d)"
    TCollectionItem* Add();                   // a new item at the end
    void Delete(int index);                   // frees the item
    void Clear();                             // frees every item
    // Copies the items of another collection of the same class (Assign of each item).
    void Assign(const TPersistent* source) override;

protected:
    virtual TCollectionItem* NewItem() = 0;

private:
    friend class TCollectionItem;
    std::vector<TCollectionItem*> items_;
};
