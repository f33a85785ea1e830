#include "report/bands/BandRptControllers.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/HostServices.h"
#include "platform/data/DB.h"
#include "platform/data/DBTables.h"
#include "report/bands/BandRptGroups.h"
#include "report/bands/BandRptReport.h"

#include <set>

bool DataSetUsable(const TDataSet* data_set) { return data_set && data_set->Active(); }

// ---------------------------------------------------- TBRCustomController

TBRCustomController::TBRCustomController(TComponent* creator) : TComponent(nullptr), Creator(creator) { Scope = this; }

TClass TBRCustomController::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRCustomController, TComponent>("TBRCustomController").Abstract().Build();
    return &info;
}
TClass TBRCustomController::ClassType() const { return StaticClass(); }

void TBRCustomController::SetLevelMaster(TComponent* master) {
    if (master == this) return;
    if (master && !dynamic_cast<TCustomBandReport*>(master) && !dynamic_cast<TBRCustomController*>(master) &&
        !dynamic_cast<TBRControllerBand*>(master))
        return;
    if (master_) master_->RemoveFreeNotification(this);
    master_ = master;
    if (master) master->FreeNotification(this);
}

void TBRCustomController::NotifyDetailListeners(std::uint8_t code) {
    const std::vector<report::Printable*> listeners = DetailListeners;
    for (report::Printable* p : listeners) p->LevelNotification(this, code);
}

void TBRCustomController::BuildLevelTree() {
    if (InState(csDestroying)) return;
    BeforeLevels.clear();
    AfterLevels.clear();
    Groups.clear();
    if (dynamic_cast<TBRCustomController*>(Scope)) collect_level_children(Creator);
    else if (Scope) collect_level_children(Scope->Owner());
    collect_level_children(Scope);
    ListLevelDataSets();
}

void TBRCustomController::PrepareLevel() {
    DetailListeners.clear();
    for (TBRCustomController* c : BeforeLevels) c->PrepareLevel();
    for (TBRCustomController* c : AfterLevels) c->PrepareLevel();
    for (TBRGroup* g : Groups) g->PrepareGroup();
    LevelVariable = nullptr;
    if (ParentReport && Creator && !Creator->Name().empty())
        LevelVariable = ParentReport->Functions()->FirstCompiledElement(Creator->Name());
}

void TBRCustomController::UpdateLevelValue() {
    EvalValue value;
    LevelValue(value);
    TBREvEnvironment::StoreConstant(LevelVariable, value);
}

void TBRCustomController::UnprepareLevel() {
    for (TBRCustomController* c : BeforeLevels) c->UnprepareLevel();
    for (TBRCustomController* c : AfterLevels) c->UnprepareLevel();
    for (TBRGroup* g : Groups) g->UnprepareGroup();
    LevelVariable = nullptr;
}

void TBRCustomController::RunLevel() {
    if (PrintIfEmpty) PrintEmptyLevel();
}

void TBRCustomController::PrintEmptyLevel() {
    PrintBeforeLevels();
    PrintAfterLevels();
}

void TBRCustomController::PrintBeforeLevels() {
    const std::vector<TBRCustomController*> levels = BeforeLevels;
    for (TBRCustomController* c : levels) c->RunLevel();
}

void TBRCustomController::PrintAfterLevels() {
    const std::vector<TBRCustomController*> levels = AfterLevels;
    for (TBRCustomController* c : levels) c->RunLevel();
}

bool TBRCustomController::CheckGroups() {
    for (std::size_t i = 0; i < Groups.size(); ++i) {
        if (!Groups[i]->CheckGroupChange()) continue;
        for (std::size_t j = i + 1; j < Groups.size(); ++j) Groups[j]->TakeGroupValue();
        HeadersPending = true;
        return true;
    }
    return false;
}

void TBRCustomController::ReprintGroupHeaders() {
    // Groups from the first changed one on print their headers anyway (or
    // are ending); the open groups outside them still repeat theirs. Once
    // the changed headers have printed, every open group may repeat.
    if (ClosingGroups) return;
    std::size_t pending = Groups.size();
    if (HeadersPending)
        for (std::size_t i = 0; i < Groups.size(); ++i)
            if (Groups[i]->GroupChanged) {
                pending = i;
                break;
            }
    for (TBRCustomController* c : BeforeLevels) c->ReprintGroupHeaders();
    // The first group due to repeat repeats with every group inside it. The
    // change marks are left alone: footers may be printing by them.
    std::size_t first = pending;
    for (std::size_t i = 0; i < pending; ++i)
        if (Groups[i]->ReprintDue()) {
            first = i;
            break;
        }
    const std::vector<TBRGroup*> groups = Groups;
    for (std::size_t i = first; i < pending; ++i) {
        // Marked first, so that a header breaking the page itself does not repeat again.
        if (ParentReport) groups[i]->GroupHeaderPage = ParentReport->PageCount();
        groups[i]->PrintGroupHeader();
    }
    for (TBRCustomController* c : AfterLevels) c->ReprintGroupHeaders();
}

void TBRCustomController::PrintChangedGroupHeaders() {
    const std::vector<TBRGroup*> groups = Groups;
    for (TBRGroup* g : groups)
        if (g->GroupChanged) g->PrintGroupHeader();
    HeadersPending = false;
}

void TBRCustomController::PrintChangedGroupFooters() {
    const std::vector<TBRGroup*> groups = Groups;
    for (auto it = groups.rbegin(); it != groups.rend(); ++it)
        if ((*it)->GroupChanged) (*it)->PrintGroupFooter();
}

void TBRCustomController::InvertGroupChanges() {
    for (TBRGroup* g : Groups) g->GroupChanged = !g->GroupChanged;
}

void TBRCustomController::collect_level_children(TComponent* component) {
    if (!component) return;
    for (int i = 0; i < component->ComponentCount(); ++i) {
        TComponent* c = component->Components(i);
        TBRCustomController* level = nullptr;
        if (auto* group = dynamic_cast<TBRGroup*>(c)) {
            if (group->Master() == Scope && !group->InState(csDestroying)) {
                Groups.push_back(group);
                group->AttachToReport(ParentReport);
            }
            continue;
        }
        if (auto* band = dynamic_cast<TBRControllerBand*>(c)) {
            if (band->InState(csDestroying) || band->Master() != Scope) continue;
            level = band->Controller();
        } else if (auto* ctl = dynamic_cast<TBRCustomController*>(c)) {
            if (ctl->Master() != Scope) continue;
            level = ctl;
        }
        if (!level || level == this) continue;
        level->ParentReport = ParentReport;
        if (level->PrintBefore) BeforeLevels.push_back(level);
        else AfterLevels.push_back(level);
        level->BuildLevelTree();
    }
}

void TBRCustomController::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == master_) master_ = nullptr;
    std::erase(BeforeLevels, component);
    std::erase(AfterLevels, component);
    std::erase(Groups, component);
}

// ----------------------------------------------------------- TBRController

TBRController::TBRController(TComponent* creator) : TBRCustomController(creator) {}

TClass TBRController::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRController, TBRCustomController>("TBRController").Build();
    return &info;
}
TClass TBRController::ClassType() const { return StaticClass(); }

void TBRController::SetDataSet(TDataSet* data_set) {
    if (data_set_) data_set_->RemoveFreeNotification(this);
    data_set_ = data_set;
    if (data_set) data_set->FreeNotification(this);
}

void TBRController::ListLevelBands() {
    if (!ParentReport) return;
    ParentReport->AddBandChain(Header);
    for (TBRGroup* g : Groups) ParentReport->AddBandChain(g);
    for (TBRCustomController* c : BeforeLevels) c->ListLevelBands();
    ParentReport->AddBandChain(Detail);
    for (TBRCustomController* c : AfterLevels) c->ListLevelBands();
    for (auto it = Groups.rbegin(); it != Groups.rend(); ++it) ParentReport->AddBandChain((*it)->FooterBand());
    ParentReport->AddBandChain(Footer);
}

void TBRController::ListLevelDataSets() {
    if (ParentReport && ParentReport->RunDataSets() && DataSetUsable(data_set_))
        ParentReport->RunDataSets()->Add(data_set_);
}

void TBRController::PrepareLevel() {
    TBRCustomController::PrepareLevel();
    UpdateSQLParams = false;
    auto* query = dynamic_cast<TQuery*>(data_set_);
    if (!query || !ParentReport) return;
    TParams* params = query->Params();
    for (int i = 0; i < params->Count() && !UpdateSQLParams; ++i)
        UpdateSQLParams = ParentReport->Functions()->IndexOf(UpperCase(params->Items(i)->Name())) >= 0;
}

void TBRController::PrintEmptyLevel() {
    if (!ParentReport) return;
    ParentReport->PrintBand(Header);
    PrintBeforeLevels();
    ParentReport->PrintBand(Detail);
    PrintAfterLevels();
    ParentReport->PrintBand(Footer);
}

namespace {
// A dataset that closed while its level still read it ends the run: its
// records would otherwise seem to end there.
void check_still_open(const TDataSet* data_set) {
    if (!data_set->Active())
        throw EDatabaseError(data_set->Name() + ": the dataset was closed while the report read it");
}
}  // namespace

void TBRController::RunLevel() {
    TCustomBandReport* report = ParentReport;
    int record_count = 1;
    for (TBRGroup* g : Groups) g->GroupHasValue = false;
    const bool data_driven = DataSetUsable(data_set_);
    if ((!data_driven && !OnNeedData) || !report) {
        if (PrintIfEmpty) PrintEmptyLevel();
        return;
    }
    const auto alive = report->AliveToken();
    bool more = true;
    if (data_driven) {
        if (UpdateSQLParams) RefreshQueryParameters(data_set_, report->Functions());
        check_still_open(data_set_);
        data_set_->First();
        more = !data_set_->Eof();
        if (dynamic_cast<TBandReport*>(report)) record_count = report->RecordCountOrOne();
        if (!more && PrintIfEmpty) PrintEmptyLevel();
    } else if (!InState(csDesigning)) {
        OnNeedData(Scope, more);
        TCustomBandReport::check_alive(alive);
    }
    DetailNumber = 0;
    if (Detail) Detail->DetailController = this;
    if (!more) return;
    core::host().ProcessMessages();
    TCustomBandReport::check_alive(alive);
    // Bands print on the report's run; without one nothing prints.
    if (!report->Run()) return;
    report::ReportRun& run = *report->Run();
    if (run.CancelRequested) return;
    const bool report_level = dynamic_cast<TCustomBandReport*>(Scope) != nullptr;
    if (Header) {
        run.PrintBand(Header);
        if (report_level) run.SkipForcedPage = true;
    }
    if ((run.PageCount <= 1 || run.ChainPart) && report_level) {
        TBRCustomBand* column_header = report->Bands()->FindBandOfType(rbColumnHeader);
        if (column_header && column_header->Enabled()) {
            run.PrintBand(column_header);
            run.SkipForcedPage = true;
        }
    }
    CheckGroups();
    auto* band_report = dynamic_cast<TBandReport*>(report);
    const bool progress = band_report && data_driven && band_report->DataSet() == data_set_ && record_count != 0;
    while (more) {
        core::host().ProcessMessages();
        TCustomBandReport::check_alive(alive);
        if (run.CancelRequested || run.Output.Cancelled()) return;
        ++DetailNumber;
        KeepHeadersWithDetail();
        PrintChangedGroupHeaders();
        PrintBeforeLevels();
        run.PrintBand(Detail);
        PrintAfterLevels();
        if (data_driven) {
            check_still_open(data_set_);
            data_set_->Next();
            check_still_open(data_set_);
            more = !data_set_->Eof();
        } else {
            more = false;
            if (!InState(csDesigning)) {
                OnNeedData(Scope, more);
                TCustomBandReport::check_alive(alive);
            }
        }
        if (CheckGroups()) {
            if (data_driven) data_set_->Prior();
            PrintChangedGroupFooters();
            if (data_driven) data_set_->Next();
        }
        if (progress) run.Output.NotifyProgress(int(std::int64_t(DetailNumber) * 100 / record_count));
    }
    InvertGroupChanges();
    ClosingGroups = true;
    try {
        PrintChangedGroupFooters();
    } catch (...) {
        ClosingGroups = false;
        throw;
    }
    ClosingGroups = false;
    if (Footer) {
        if (run.PageCount == 0) run.NewPage();
        if (Footer->Size()->NativeHeight() > run.AvailableSpace()) run.NewColumn();
        run.PrintBand(Footer);
    }
}

void TBRController::KeepHeadersWithDetail() {
    report::ReportRun* run = ParentReport ? ParentReport->Run() : nullptr;
    if (!run || run->PageCount == 0 || !HeadersPending) return;
    long double need = 0;
    for (TBRGroup* g : Groups)
        if (g->GroupChanged && g->Enabled()) need += g->HeightWithLinks(true);
    if (need == 0) return;
    if (Detail && Detail->Enabled()) need += Detail->HeightWithLinks(true);
    const std::int64_t available = run->AvailableSpace();
    // Room a fresh column's body offers: nothing is gained where they would
    // not fit there either, nor at the top of a column.
    const std::int64_t body = available + run->CurrentY - run->PageBodyTop;
    const std::int64_t h = report::Rnd(need);
    if (h > available && h <= body && run->CurrentY > run->ColumnTop) run->NewColumn();
}

void TBRController::Notification(TComponent* component, TOperation operation) {
    TBRCustomController::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == Header) Header = nullptr;
    if (component == Detail) Detail = nullptr;
    if (component == Footer) Footer = nullptr;
    if (component == data_set_) data_set_ = nullptr;
}

// ------------------------------------------------------- TBRControllerBand

TBRControllerBand::TBRControllerBand(TComponent* owner)
    : TBRCustomBand(owner), controller_(std::make_unique<TBRController>(this)) {
    controller_->Detail = this;
    controller_->Scope = this;
    controller_->SetPrintBeforeDetail(false);
}

TBRControllerBand::~TBRControllerBand() {
    SetState(csDestroying, true);
    controller_.reset();
}

TClass TBRControllerBand::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TBRControllerBand, TBRCustomBand>("TBRControllerBand")
                                       .Abstract()
                                       .Component("Master", &TBRControllerBand::Master, &TBRControllerBand::SetMaster)
                                       .Build();
    return &info;
}
TClass TBRControllerBand::ClassType() const { return StaticClass(); }

void TBRControllerBand::SetMaster(TComponent* master) {
    if (master == this) return;
    std::set<const TComponent*> seen;
    for (const TComponent* m = master; m && seen.insert(m).second;) {
        if (m == this) {
            RefuseCircularLink();
            return;
        }
        auto* band = dynamic_cast<const TBRControllerBand*>(m);
        m = band ? band->master_ : nullptr;
    }
    if (master_) master_->RemoveFreeNotification(this);
    master_ = master;
    controller_->SetLevelMaster(master);
    if (Report() && !Report()->InState(csDestroying)) {
        Report()->RebuildBandOrder();
        Report()->ArrangeBands();
    }
    if (master) master->FreeNotification(this);
}

void TBRControllerBand::SetParent(report::Control* parent) {
    TBRCustomBand::SetParent(parent);
    if (!master_)
        if (auto* report = dynamic_cast<TCustomBandReport*>(Parent())) SetMaster(report);
}

void TBRControllerBand::AddToBandOrder() {
    if (Report()) Report()->AddBandChain(this);
}

void TBRControllerBand::Notification(TComponent* component, TOperation operation) {
    TBRCustomBand::Notification(component, operation);
    if (operation == opRemove && component == master_) {
        master_ = nullptr;
        if (controller_) controller_->SetLevelMaster(nullptr);
    }
}

// ---------------------------------------------------------- TBRSubDetail

TBRSubDetail::TBRSubDetail(TComponent* owner)
    : TBRControllerBand(owner), bands_(std::make_unique<TBRSubDetailGroupBands>(this)) {
    SetBandType(rbSubDetail);
}

TBRSubDetail::~TBRSubDetail() {
    SetState(csDestroying, true);
    bands_.reset();
}

TClass TBRSubDetail::StaticClass() {
    static TClassInfo info = [] {
        TClassInfo i =
            core::ClassBuilder<TBRSubDetail, TBRControllerBand>("TBRSubDetail")
                .Object("Bands", &TBRSubDetail::Bands)
                .Component("DataSet", &TBRSubDetail::DataSet, &TBRSubDetail::SetDataSet)
                .Component("HeaderBand", &TBRSubDetail::HeaderBand, &TBRSubDetail::SetHeaderBand)
                .Component("FooterBand", &TBRSubDetail::FooterBand, &TBRSubDetail::SetFooterBand)
                .Bool("PrintBefore", &TBRSubDetail::PrintBefore, &TBRSubDetail::SetPrintBefore)
                .Bool("PrintIfEmpty", &TBRSubDetail::PrintIfEmpty, &TBRSubDetail::SetPrintIfEmpty)
                .Default(true)
                .Build();
        // OnNeedData lives in the controller.
        core::PropInfo p;
        p.name = "OnNeedData";
        p.kind = core::PropKind::Event;
        p.get = [](const TObject& o) -> core::PropValue {
            auto& s = static_cast<const TBRSubDetail&>(o);
            return s.Controller() ? s.Controller()->OnNeedData.Ref() : core::MethodRef{};
        };
        p.set = [](TObject& o, const core::PropValue& v) {
            auto& s = dynamic_cast<TBRSubDetail&>(o);
            const auto* ref = std::get_if<core::MethodRef>(&v);
            if (!ref) throw EPropertyError("Invalid property value");
            if (s.Controller()) s.Controller()->OnNeedData.Bind(ref->instance, ref->name);
        };
        p.default_value = core::MethodRef{};
        i.Properties.push_back(std::move(p));
        return i;
    }();
    return &info;
}
TClass TBRSubDetail::ClassType() const { return StaticClass(); }

void TBRSubDetail::SetDataSet(TDataSet* data_set) {
    if (Controller()) Controller()->SetDataSet(data_set);
    if (data_set) data_set->FreeNotification(this);
}

void TBRSubDetail::SetHeaderBand(TBRCustomBand* band) {
    if (!Controller()) return;
    Controller()->Header = band;
    if (band) {
        band->SetBandType(rbGroupHeader);
        band->FreeNotification(this);
    }
}

void TBRSubDetail::SetFooterBand(TBRCustomBand* band) {
    if (!Controller()) return;
    Controller()->Footer = band;
    if (band) {
        band->SetBandType(rbGroupFooter);
        band->FreeNotification(this);
    }
}

void TBRSubDetail::SetPrintBefore(bool print_before) {
    if (!Controller() || Controller()->PrintBefore == print_before) return;
    Controller()->SetPrintBeforeDetail(print_before);
    if (Report()) {
        Report()->RebuildBandOrder();
        Report()->ArrangeBands();
    }
}

void TBRSubDetail::SetPrintIfEmpty(bool print_if_empty) {
    if (Controller()) Controller()->PrintIfEmpty = print_if_empty;
}

void TBRSubDetail::AddControllerClient(report::Printable* printable) {
    if (Controller()) Controller()->AddDetailListener(printable);
}

void TBRSubDetail::AddToBandOrder() {
    if (InState(csDestroying) || !Report()) return;
    Report()->AddBandChain(HeaderBand());
    Report()->AddBandChain(this);
    Report()->AddBandChain(FooterBand());
}

void TBRSubDetail::Notification(TComponent* component, TOperation operation) {
    TBRControllerBand::Notification(component, operation);
    if (operation != opRemove || !Controller()) return;
    if (component == Controller()->Footer) Controller()->Footer = nullptr;
    if (component == Controller()->Header) Controller()->Header = nullptr;
    if (component == Controller()->DataSet()) Controller()->SetDataSet(nullptr);
}

// ------------------------------------------------ TBRSubDetailGroupBands

TClass TBRSubDetailGroupBands::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBRSubDetailGroupBands, TPersistent>("TBRSubDetailGroupBands")
            .Bool("HasHeader", &TBRSubDetailGroupBands::HasHeader, &TBRSubDetailGroupBands::SetHasHeader)
            .Stored(false)
            .Bool("HasFooter", &TBRSubDetailGroupBands::HasFooter, &TBRSubDetailGroupBands::SetHasFooter)
            .Stored(false)
            .Build();
    return &info;
}
TClass TBRSubDetailGroupBands::ClassType() const { return StaticClass(); }

bool TBRSubDetailGroupBands::HasHeader() const { return SubDetail && SubDetail->HeaderBand(); }
bool TBRSubDetailGroupBands::HasFooter() const { return SubDetail && SubDetail->FooterBand(); }

void TBRSubDetailGroupBands::SetHasHeader(bool has) {
    if (!SubDetail || has == HasHeader()) return;
    if (has) {
        if (!SubDetail->Report()) return;
        SubDetail->SetHeaderBand(SubDetail->Report()->CreateStandardBand(rbGroupHeader));
    } else {
        TBRCustomBand* band = SubDetail->HeaderBand();
        SubDetail->SetHeaderBand(nullptr);
        delete band;
    }
}

void TBRSubDetailGroupBands::SetHasFooter(bool has) {
    if (!SubDetail || has == HasFooter()) return;
    if (has) {
        if (!SubDetail->Report()) return;
        SubDetail->SetFooterBand(SubDetail->Report()->CreateStandardBand(rbGroupFooter));
    } else {
        TBRCustomBand* band = SubDetail->FooterBand();
        SubDetail->SetFooterBand(nullptr);
        delete band;
    }
}

// ------------------------------------------------------ TBandReportBands

namespace {
// The band type of a switch index; index 5 has none.
bool switch_type(int index, TBRBandType& type) {
    switch (index) {
    case 1: type = rbTitle; return true;
    case 2: type = rbPageHeader; return true;
    case 3: type = rbColumnHeader; return true;
    case 4: type = rbDetail; return true;
    case 5: return false;
    case 6: type = rbPageFooter; return true;
    default: type = rbSummary; return true;
    }
}
}  // namespace

TClass TBandReportBands::StaticClass() {
    auto sw = [](int index) {
        return std::make_pair([index](const TBandReportBands& b) { return b.GetBandPresent(index); },
                              [index](TBandReportBands& b, bool v) { b.SetBandPresent(index, v); });
    };
    auto [tg, ts] = sw(1);
    auto [hg, hs] = sw(2);
    auto [cg, cs] = sw(3);
    auto [dg, ds] = sw(4);
    auto [fg, fs] = sw(6);
    auto [sg, ss] = sw(7);
    static const TClassInfo info = core::ClassBuilder<TBandReportBands, TPersistent>("TBandReportBands")
                                       .Bool("HasTitle", tg, ts).Stored(false)
                                       .Bool("HasPageHeader", hg, hs).Stored(false)
                                       .Bool("HasColumnHeader", cg, cs).Stored(false)
                                       .Bool("HasDetail", dg, ds).Stored(false)
                                       .Bool("HasPageFooter", fg, fs).Stored(false)
                                       .Bool("HasSummary", sg, ss).Stored(false)
                                       .Build();
    return &info;
}
TClass TBandReportBands::ClassType() const { return StaticClass(); }

TBRCustomBand* TBandReportBands::FindBandOfType(TBRBandType type) const {
    return Report ? Report->FindBand(type) : nullptr;
}

TBRCustomBand* TBandReportBands::BandByIndex(int index) const {
    TBRBandType type;
    if (!switch_type(index, type)) return nullptr;
    return FindBandOfType(type);
}

bool TBandReportBands::GetBandPresent(int index) const { return BandByIndex(index) != nullptr; }

void TBandReportBands::SetBandPresent(int index, bool present) {
    TBRBandType type;
    if (!Report || !switch_type(index, type)) return;
    if (GetBandPresent(index) == present) return;
    if (present) Report->CreateStandardBand(type);
    else delete FindBandOfType(type);
}
