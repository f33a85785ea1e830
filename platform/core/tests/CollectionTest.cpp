// Collections and their place in form resources.
#include <gtest/gtest.h>

#include <memory>

#include "platform/core/ClassBuilder.h"
#include "platform/core/Collection.h"
#include "platform/core/Containers.h"
#include "platform/core/FormResource.h"

namespace {

class TColumnItem : public TCollectionItem {
public:
    explicit TColumnItem(TCollection* c = nullptr) : TCollectionItem(c) {}
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TColumnItem, TCollectionItem>("TColumnItem")
                                           .String("Title", &TColumnItem::Title, &TColumnItem::Title)
                                           .Integer("Width", &TColumnItem::Width, &TColumnItem::Width)
                                           .Default(64)
                                           .Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    void Assign(const TPersistent* source) override {
        auto* o = dynamic_cast<const TColumnItem*>(source);
        if (!o) return TCollectionItem::Assign(source);
        Title = o->Title;
        Width = o->Width;
    }
    std::string Title;
    int Width = 64;
};

class TColumns : public TCollection {
public:
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TColumns, TCollection>("TColumns").Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }

protected:
    TCollectionItem* NewItem() override { return new TColumnItem(this); }
};

class TGrid : public TComponent {
public:
    explicit TGrid(TComponent* owner) : TComponent(owner) {}
    static TClass StaticClass() {
        static const TClassInfo info = core::ClassBuilder<TGrid, TComponent>("TGrid")
                                           .Collection("Columns", &TGrid::Columns)
                                           .Build();
        return &info;
    }
    TClass ClassType() const override { return StaticClass(); }
    TColumns* Columns() const { return columns_.get(); }

private:
    std::unique_ptr<TColumns> columns_ = std::make_unique<TColumns>();
};

TColumnItem* column(const TGrid& g, int i) { return static_cast<TColumnItem*>(g.Columns()->Items(i)); }

}  // namespace

TEST(Collection, OwnsItsItemsAndCopiesThem) {
    TColumns columns;
    auto* a = static_cast<TColumnItem*>(columns.Add());
    a->Title = "a";
    auto* b = static_cast<TColumnItem*>(columns.Add());
    b->Title = "b";
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(b->Collection(), &columns);
    delete a;  // an item freed leaves its collection
    ASSERT_EQ(columns.Count(), 1);
    EXPECT_EQ(b->Index(), 0);
    EXPECT_THROW(columns.Items(1), EListError);
    TColumns copy;
    copy.Add();
    copy.Assign(&columns);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(static_cast<TColumnItem*>(copy.Items(0))->Title, "b");
    EXPECT_NE(copy.Items(0), b);
    copy.Delete(0);
    EXPECT_EQ(copy.Count(), 0);
}

TEST(Collection, IsStoredAsAnArrayOfItemProperties) {
    RegisterClass(TGrid::StaticClass());
    TComponent form(nullptr);
    auto* grid = new TGrid(&form);
    grid->SetName("Grid");
    for (const char* title : {"Código", "Nome"}) static_cast<TColumnItem*>(grid->Columns()->Add())->Title = title;
    column(*grid, 1)->Width = 200;
    const std::string text = core::write_component(form);
    EXPECT_NE(text.find(R"("Columns": [)"), std::string::npos) << text;

    TComponent copy(nullptr);
    core::read_component_into(copy, text);
    auto* g = dynamic_cast<TGrid*>(copy.FindComponent("Grid"));
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->Columns()->Count(), 2);
    EXPECT_EQ(column(*g, 0)->Title, "Código");
    EXPECT_EQ(column(*g, 0)->Width, 64);
    EXPECT_EQ(column(*g, 1)->Width, 200);
    EXPECT_EQ(core::write_component(copy), text);

    struct Bad {
        const char* columns;
        const char* message;
    } bad[] = {
        {R"({"Title": "x"})", "Error reading Grid.Columns: Invalid property value"},
        {R"(["x"])", "Error reading Grid.Columns: Invalid property value"},
        {R"([{"Title": "x"}, {"Wide": 3}])", "Error reading Grid.Columns[1].Wide: Property Wide does not exist"},
        {R"([{"Width": "wide"}])", "Error reading Grid.Columns[0].Width: Invalid property value"},
    };
    for (const auto& b : bad) {
        TComponent f(nullptr);
        std::string doc = std::string(R"({"class": "TComponent", "name": "F", "children": [{"class": "TGrid", "name": "Grid", "properties": {"Columns": )") +
                          b.columns + "}}]}";
        try {
            core::read_component_into(f, doc);
            ADD_FAILURE() << b.columns;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), b.message);
        }
    }
    UnRegisterClass(TGrid::StaticClass());
}

TEST(DataModules, AreListedOldestFirstWhileTheyLive) {
    const size_t before = core::data_modules().size();
    auto first = std::make_unique<TDataModule>(nullptr);
    auto second = std::make_unique<TDataModule>(nullptr);
    ASSERT_EQ(core::data_modules().size(), before + 2);
    EXPECT_EQ(core::data_modules()[before], first.get());
    EXPECT_EQ(core::data_modules()[before + 1], second.get());
    first.reset();
    ASSERT_EQ(core::data_modules().size(), before + 1);
    EXPECT_EQ(core::data_modules()[before], second.get());
}
