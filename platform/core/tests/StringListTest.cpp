#include "platform/core/Classes.h"

#include <gtest/gtest.h>

#include "TestDir.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"

TEST(StringList, TextUsesCrLf) {
    TStringList l;
    l.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n");
    l.SetText("x\r\n\r\ny\r\n");
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l[1], "");
    l.SetText("");
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Text(), "");
}

TEST(StringList, InsertDeleteIndexOf) {
    TStringList l;
    l.Add("one");
    l.Add("two");
    l.Insert(1, "mid");
    EXPECT_EQ(l.CommaText(), "one,mid,two");
    EXPECT_EQ(l.IndexOf("TWO"), 2);
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("TWO"), -1);
    l.Delete(0);
    EXPECT_EQ(l[0], "mid");
    EXPECT_THROW(l.Delete(5), EListError);
    EXPECT_THROW(l.Get(-1), EListError);
    TStringList obj;
    obj.AddObject("x", &l);
    EXPECT_EQ(obj.Objects(0), &l);
    EXPECT_EQ(obj.IndexOfObject(&l), 0);
}

TEST(StringList, NamesAndValues) {
    TStringList l;
    l.SetText("Servidor=db1\r\nBanco=Vendas\r\nplain\r\nbanco=second");
    EXPECT_EQ(l.Values("banco"), "Vendas");
    EXPECT_EQ(l.Names(0), "Servidor");
    EXPECT_EQ(l.Names(2), "");
    EXPECT_EQ(l.ValueFromIndex(1), "Vendas");
    EXPECT_EQ(l.Values("missing"), "");
    l.SetValues("Banco", "Outro");
    EXPECT_EQ(l[1], "Banco=Outro");
    l.SetValues("New", "1");
    EXPECT_EQ(l[4], "New=1");
    l.SetValues("Servidor", "");
    EXPECT_EQ(l.IndexOfName("Servidor"), -1);
}

TEST(StringList, SortedWithDuplicateRules) {
    struct Case {
        TDuplicates dup;
        bool throws;
        int count;
    } cases[] = {{dupIgnore, false, 3}, {dupAccept, false, 4}, {dupError, true, 3}};
    for (const auto& c : cases) {
        TStringList l;
        l.SetSorted(true);
        l.SetDuplicates(c.dup);
        l.Add("pear");
        l.Add("Apple");
        l.Add("banana");
        if (c.throws) {
            try {
                l.Add("APPLE");
                ADD_FAILURE();
            } catch (const EStringListError& e) {
                EXPECT_EQ(e.Message(), "String list does not allow duplicates");
            }
        } else {
            l.Add("APPLE");
        }
        EXPECT_EQ(l.Count(), c.count);
        EXPECT_TRUE(SameText(l[0], "apple"));
        EXPECT_EQ(l[c.count - 1], "pear");
        int i;
        EXPECT_TRUE(l.Find("BANANA", i));
        EXPECT_EQ(l[i], "banana");
        EXPECT_FALSE(l.Find("cherry", i));
        EXPECT_EQ(i, c.count - 1);
        EXPECT_THROW(l.Insert(0, "x"), EStringListError);
    }
    TStringList cs;
    cs.SetCaseSensitive(true);
    cs.SetSorted(true);
    cs.Add("b");
    cs.Add("B");
    EXPECT_EQ(cs.Count(), 2);
    EXPECT_EQ(cs[0], "B");
    TStringList accented;
    accented.SetSorted(true);
    accented.Add("ção");
    EXPECT_EQ(accented.IndexOf("ÇÃO"), 0);
}

TEST(StringList, CommaText) {
    struct Case {
        std::vector<std::string> items;
        const char* text;
    } cases[] = {
        {{"a", "b c", "d,e", "say \"hi\""}, "a,\"b c\",\"d,e\",\"say \"\"hi\"\"\""},
        {{""}, "\"\""},
        {{}, ""},
        {{"", "x"}, ",x"},
    };
    for (const auto& c : cases) {
        TStringList l;
        for (const auto& s : c.items) l.Add(s);
        EXPECT_EQ(l.CommaText(), c.text);
        TStringList back;
        back.SetCommaText(c.text);
        if (c.items.size() == 1 && c.items[0].empty()) continue;
        EXPECT_EQ(back.Count(), int(c.items.size())) << c.text;
        for (int i = 0; i < back.Count(); ++i) EXPECT_EQ(back[i], c.items[std::size_t(i)]);
    }
    TStringList l;
    l.SetCommaText("a b, c,");
    EXPECT_EQ(l.Count(), 4);  // blanks separate too; a trailing comma adds an empty item
    EXPECT_EQ(l[3], "");
}

TEST(StringList, ChangeEventsAndAssign) {
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &l);
        ++changes;
    };
    l.Add("a");
    l.Add("b");
    EXPECT_EQ(changes, 2);
    l.BeginUpdate();
    l.Add("c");
    l.EndUpdate();
    EXPECT_EQ(changes, 2);
    TStringList copy;
    copy.Assign(&l);
    EXPECT_TRUE(copy.Equals(l));
    copy.AddStrings(copy);
    EXPECT_EQ(copy.Count(), 6);
}

TEST(StringList, FilesDecodeWindows1252) {
    std::string path = test_dir() + "strings-1252.txt";
    {
        TFileStream f(path, fmCreate);
        const char bytes[] = "S\xE3o Paulo\r\nA\xE7\xFA" "car\n";
        f.WriteBuffer(bytes, sizeof bytes - 1);
    }
    TStringList l;
    l.LoadFromFile(path);
    EXPECT_EQ(l[0], "São Paulo");
    EXPECT_EQ(l[1], "Açúcar");
    l.SaveToFile(path);
    TStringList again;
    again.LoadFromFile(path);
    EXPECT_TRUE(again.Equals(l));
    DeleteFile(path);
}
