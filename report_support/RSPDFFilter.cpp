#include "report_support/RSPDFFilter.h"

#include "platform/core/ClassBuilder.h"

#include <memory>

namespace report_support {
namespace {

std::unique_ptr<TRSPDFFilterDocumentInfo>& default_info() {
    static std::unique_ptr<TRSPDFFilterDocumentInfo> info;
    return info;
}

std::unique_ptr<TRSPDFFilterTextControl>& default_text() {
    static std::unique_ptr<TRSPDFFilterTextControl> text;
    return text;
}

}  // namespace

std::string DefaultPdfCreator() {
    return std::string(ReportSupportName) + std::string(ReportSupportMajor) + "." + std::string(ReportSupportMinor) +
           std::string(ReportSupportNotice);
}

TClass TRSPDFFilterDocumentInfo::StaticClass() {
    using T = TRSPDFFilterDocumentInfo;
    static const TClassInfo info = core::ClassBuilder<T, TPersistent>("TRSPDFFilterDocumentInfo")
                                       .String("Title", &T::Title, &T::Title)
                                       .String("Subject", &T::Subject, &T::Subject)
                                       .String("Author", &T::Author, &T::Author)
                                       .String("KeyWords", &T::KeyWords, &T::KeyWords)
                                       .String("Creator", &T::Creator, &T::Creator)
                                       .String("Producer", &T::Producer, &T::Producer)
                                       .Build();
    return &info;
}

void TRSPDFFilterDocumentInfo::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TRSPDFFilterDocumentInfo*>(source)) {
        Title = other->Title;
        Subject = other->Subject;
        Author = other->Author;
        KeyWords = other->KeyWords;
        Creator = other->Creator;
        Producer = other->Producer;
        return;
    }
    TPersistent::Assign(source);
}

// The three settings have no default: they are always stored.
TClass TRSPDFFilterTextControl::StaticClass() {
    using T = TRSPDFFilterTextControl;
    static const TClassInfo info = core::ClassBuilder<T, TPersistent>("TRSPDFFilterTextControl")
                                       .Bool("FormFeed", &T::FormFeed, &T::FormFeed).NoDefault()
                                       .Bool("WordWrap", &T::WordWrap, &T::WordWrap).NoDefault()
                                       .Integer("TabSize", &T::TabSize, &T::TabSize).NoDefault()
                                       .Build();
    return &info;
}

void TRSPDFFilterTextControl::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TRSPDFFilterTextControl*>(source)) {
        FormFeed = other->FormFeed;
        WordWrap = other->WordWrap;
        TabSize = other->TabSize;
        return;
    }
    TPersistent::Assign(source);
}

TRSPDFFilterDocumentInfo* DefaultPdfDocumentInfo() { return default_info().get(); }
TRSPDFFilterTextControl* DefaultPdfTextControl() { return default_text().get(); }

void InitPdfFilterDefaults() {
    RegisterClasses({TRSPDFFilterDocumentInfo::StaticClass(), TRSPDFFilterTextControl::StaticClass()});
    default_text() = std::make_unique<TRSPDFFilterTextControl>();
    default_text()->FormFeed = true;
    default_text()->WordWrap = false;
    default_text()->TabSize = 8;
    default_info() = std::make_unique<TRSPDFFilterDocumentInfo>();
    default_info()->Creator = DefaultPdfCreator();
}

void DonePdfFilterDefaults() {
    default_info().reset();
    default_text().reset();
    UnRegisterClass(TRSPDFFilterTextControl::StaticClass());
    UnRegisterClass(TRSPDFFilterDocumentInfo::StaticClass());
}

}  // namespace report_support
