#pragma once
// Controllers (the levels a report prints in: header, detail per record,
// footer) as far as bands need them, the controller bands that own one (the
// sub-detail with its group header and footer switches), and the report's
// switches that create and free its standard bands.

#include "report/bands/BandRptBands.h"
#include "report/expr/BRExpr.h"

#include <vector>

class TDataSet;
class TBRSubDetail;
class TBREvElement;
class TBRGroup;

// Assigned and open.
bool DataSetUsable(const TDataSet* data_set);

using TBROnNeedDataEvent = TMethodEvent<void(TObject* Sender, bool& MoreData)>;

// A level of the report. Created without owner by the component it serves
// (its Creator), which frees it.
class TBRCustomController : public TComponent {
public:
    explicit TBRCustomController(TComponent* creator);
    static TClass StaticClass();
    TClass ClassType() const override;

    TComponent* Creator = nullptr;
    TComponent* Master() const { return master_; }
    // A report, controller or controller band becomes the master; none
    // clears it; the controller itself and anything else are ignored.
    void SetLevelMaster(TComponent* master);
    std::vector<TBRCustomController*> AfterLevels;
    std::vector<TBRCustomController*> BeforeLevels;
    // The level's group bands in component order; the first is the outermost.
    std::vector<TBRGroup*> Groups;
    bool PrintIfEmpty = true;
    TComponent* Scope = nullptr;
    TCustomBandReport* ParentReport = nullptr;
    bool PrintBefore = false;
    std::vector<report::Printable*> DetailListeners;

    virtual void SetPrintBeforeDetail(bool flag) { PrintBefore = flag; }
    void AddBeforeLevel(TBRCustomController* c) { BeforeLevels.push_back(c); }
    void AddAfterLevel(TBRCustomController* c) { AfterLevels.push_back(c); }
    void AddDetailListener(report::Printable* p) { DetailListeners.push_back(p); }
    // Every listener, in order, gets LevelNotification(this, code).
    void NotifyDetailListeners(std::uint8_t code);

    // Finds the levels under this one (controller bands whose master is the
    // scope), depth first, then lists the level's datasets for the run.
    virtual void BuildLevelTree();
    // Adds the level's bands to the band order being rebuilt.
    virtual void ListLevelBands() {}
    // Adds the level's open dataset to the report's run datasets.
    virtual void ListLevelDataSets() {}
    // Around a run: the nested levels and the level variable.
    virtual void PrepareLevel();
    virtual void UnprepareLevel();
    // Prints the level: the base prints its nested levels when PrintIfEmpty.
    virtual void RunLevel();
    virtual void PrintEmptyLevel();
    void PrintBeforeLevels();
    void PrintAfterLevels();

    // ---- groups
    // Tests every group for a new value; the first that changed makes every
    // group inside it take its value anew. True when one changed.
    bool CheckGroups();
    // After a new page or column: the headers of open groups that print
    // again on a new page, for this level and the levels under it.
    void ReprintGroupHeaders();
    // Headers of changed groups, outermost first; footers innermost first.
    void PrintChangedGroupHeaders();
    // Breaks the column first when the changed groups' headers and the
    // level's first detail under them would not fit together, so that a
    // header never ends a page alone.
    virtual void KeepHeadersWithDetail() {}
    void PrintChangedGroupFooters();
    void InvertGroupChanges();
    // The environment constant named after the creator, during a run.
    TBREvElement* LevelVariable = nullptr;
    // The level's value: an error value here.
    virtual void LevelValue(EvalValue& value) { value = EvalValue::Error(); }
    // Stores LevelValue into LevelVariable (no step of a run calls it).
    void UpdateLevelValue();
    void Notification(TComponent* component, TOperation operation) override;

protected:
    // Set from a group change until the changed groups' headers have
    // printed: those headers are about to print and are not reprinted.
    bool HeadersPending = false;
    // Set while the level's last footers print: no header repeats then.
    bool ClosingGroups = false;

private:
    void collect_level_children(TComponent* component);
    TComponent* master_ = nullptr;
};

class TBRController : public TBRCustomController {
public:
    explicit TBRController(TComponent* creator);
    static TClass StaticClass();
    TClass ClassType() const override;

    TDataSet* DataSet() const { return data_set_; }
    void SetDataSet(TDataSet* data_set);
    TBRCustomBand* Detail = nullptr;
    TBRCustomBand* Footer = nullptr;
    TBRCustomBand* Header = nullptr;
    TBROnNeedDataEvent OnNeedData;
    int DetailNumber = 0;
    bool UpdateSQLParams = false;

    // Header, the levels printed before the detail, Detail, the levels
    // printed after it, Footer.
    void ListLevelBands() override;
    void ListLevelDataSets() override;
    void PrepareLevel() override;
    // The detail loop: the header, the detail band once per record (with the
    // nested levels before and after it), the footer.
    void RunLevel() override;
    // The header, one detail band and the footer.
    void PrintEmptyLevel() override;
    void KeepHeadersWithDetail() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDataSet* data_set_ = nullptr;
};

// A band that owns a controller and runs a level of its own.
class TBRControllerBand : public TBRCustomBand {
public:
    explicit TBRControllerBand(TComponent* owner);
    ~TBRControllerBand() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TBRController* Controller() const { return controller_.get(); }
    TComponent* Master() const { return master_; }
    // Refused when the chain of masters would come back here.
    virtual void SetMaster(TComponent* master);
    void SetParent(report::Control* parent) override;
    // Adds the band and its child bands to the band order being rebuilt.
    virtual void AddToBandOrder();
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::unique_ptr<TBRController> controller_;
    TComponent* master_ = nullptr;
};

// The group header and footer switches of a sub-detail.
class TBRSubDetailGroupBands : public TPersistent {
public:
    explicit TBRSubDetailGroupBands(TBRSubDetail* sub_detail = nullptr) : SubDetail(sub_detail) {}
    static TClass StaticClass();
    TClass ClassType() const override;

    bool HasHeader() const;
    void SetHasHeader(bool has);
    bool HasFooter() const;
    void SetHasFooter(bool has);

    TBRSubDetail* SubDetail = nullptr;
};

// A band printed once per record of a second data set inside its master's loop.
class TBRSubDetail : public TBRControllerBand {
public:
    explicit TBRSubDetail(TComponent* owner);
    ~TBRSubDetail() override;
    static TClass StaticClass();
    TClass ClassType() const override;

    TBRSubDetailGroupBands* Bands() const { return bands_.get(); }
    TDataSet* DataSet() const { return Controller() ? Controller()->DataSet() : nullptr; }
    void SetDataSet(TDataSet* data_set);
    TBRCustomBand* HeaderBand() const { return Controller() ? Controller()->Header : nullptr; }
    TBRCustomBand* FooterBand() const { return Controller() ? Controller()->Footer : nullptr; }
    // The band given becomes a group header (footer) band.
    void SetHeaderBand(TBRCustomBand* band);
    void SetFooterBand(TBRCustomBand* band);
    bool PrintBefore() const { return Controller() && Controller()->PrintBefore; }
    void SetPrintBefore(bool print_before);
    bool PrintIfEmpty() const { return Controller() && Controller()->PrintIfEmpty; }
    void SetPrintIfEmpty(bool print_if_empty);
    void AddControllerClient(report::Printable* printable);

    void AddToBandOrder() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::unique_ptr<TBRSubDetailGroupBands> bands_;
};

// The report's standard band switches, indexed 1 to 7 (5 is no band).
class TBandReportBands : public TPersistent {
public:
    explicit TBandReportBands(TCustomBandReport* report = nullptr) : Report(report) {}
    static TClass StaticClass();
    TClass ClassType() const override;

    // The first band of the type in the report's band list.
    TBRCustomBand* FindBandOfType(TBRBandType type) const;
    TBRCustomBand* BandByIndex(int index) const;
    bool GetBandPresent(int index) const;
    // True creates one band of the type; False frees the first one.
    void SetBandPresent(int index, bool present);

    bool HasTitle() const { return GetBandPresent(1); }
    bool HasPageHeader() const { return GetBandPresent(2); }
    bool HasColumnHeader() const { return GetBandPresent(3); }
    bool HasDetail() const { return GetBandPresent(4); }
    bool HasPageFooter() const { return GetBandPresent(6); }
    bool HasSummary() const { return GetBandPresent(7); }
    void SetHasTitle(bool v) { SetBandPresent(1, v); }
    void SetHasPageHeader(bool v) { SetBandPresent(2, v); }
    void SetHasColumnHeader(bool v) { SetBandPresent(3, v); }
    void SetHasDetail(bool v) { SetBandPresent(4, v); }
    void SetHasPageFooter(bool v) { SetBandPresent(6, v); }
    void SetHasSummary(bool v) { SetBandPresent(7, v); }

    TCustomBandReport* Report = nullptr;
};
