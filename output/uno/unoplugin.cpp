// The office plugin: the program's spreadsheet calls carried out over UNO on a running
// LibreOffice that accepts connections on a named pipe.

#include "output/officeplugin.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/BorderLine2.hpp>
#include <com/sun/star/table/BorderLineStyle.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/TableBorder2.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XMergeable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/ustring.hxx>

#include <QUrl>

#include <cstdlib>
#include <limits>
#include <mutex>
#include <stdexcept>

using namespace com::sun::star;
using rtl::OUString;
using uno::Any;
using uno::Reference;
using uno::Sequence;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

OUString toOU(const QString& s) {
    return OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), s.size());
}

QString toQ(const OUString& s) {
    return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength());
}

OUString fileUrl(const QString& path) {
    return toOU(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
}

beans::PropertyValue prop(const char* name, const Any& value) {
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

template <class E> Sequence<E> seq(std::initializer_list<E> items) {
    return Sequence<E>(items.begin(), static_cast<sal_Int32>(items.size()));
}

[[noreturn]] void rethrow(const uno::Exception& e) {
    QString message = toQ(e.Message);
    if (message.isEmpty())
        message = QStringLiteral("office error");
    throw std::runtime_error(message.toStdString());
}

// Runs one office call and turns its UNO errors into the plugin's plain errors.
template <class F> auto guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const uno::Exception& e) {
        rethrow(e);
    }
}

Any toAny(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return Any(v.toBool());
    case QMetaType::Short:
        return Any(static_cast<sal_Int16>(v.value<short>()));
    case QMetaType::Int:
        return Any(static_cast<sal_Int32>(v.toInt()));
    case QMetaType::Float:
        return Any(v.toFloat());
    case QMetaType::Double:
        return Any(v.toDouble());
    case QMetaType::QString:
        return Any(toOU(v.toString()));
    default:
        throw std::runtime_error("unsupported property value type");
    }
}

void applyProperties(const Reference<beans::XPropertySet>& set, const QVariantMap& props) {
    for (auto it = props.begin(); it != props.end(); ++it)
        set->setPropertyValue(toOU(it.key()), toAny(it.value()));
}

// The local UNO environment the bridge needs; made once per process.
Reference<uno::XComponentContext> localContext() {
    static std::once_flag once;
    static Reference<uno::XComponentContext> context;
    static std::string failure;
    std::call_once(once, [] {
        // Without this the local context cannot find the office's type library.
        setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:/usr/lib/libreoffice/program/fundamentalrc",
               0);
        try {
            context = cppu::defaultBootstrap_InitialComponentContext();
        } catch (const uno::Exception& e) {
            failure = toQ(e.Message).toStdString();
        }
    });
    if (!context.is())
        throw std::runtime_error("UNO bootstrap failed: " + failure);
    return context;
}

class UnoDocument final : public office::Document {
public:
    explicit UnoDocument(Reference<lang::XComponent> component)
        : component_(std::move(component)), doc_(component_, UNO_QUERY_THROW),
          model_(component_, UNO_QUERY_THROW) {}

    ~UnoDocument() override {
        try {
            close();
        } catch (...) {
        }
    }

    int sheetCount() override {
        return guarded([&] { return static_cast<int>(sheets()->getCount()); });
    }

    int activeSheet() override {
        return guarded([&] {
            Reference<sheet::XSpreadsheetView> view(model_->getCurrentController(), UNO_QUERY);
            if (!view.is())
                return activeWithoutView_;
            Reference<container::XNamed> named(view->getActiveSheet(), UNO_QUERY_THROW);
            OUString name = named->getName();
            Reference<container::XIndexAccess> all = sheets();
            for (sal_Int32 i = 0; i < all->getCount(); ++i) {
                Reference<container::XNamed> n(all->getByIndex(i), UNO_QUERY_THROW);
                if (n->getName() == name)
                    return static_cast<int>(i);
            }
            return 0;
        });
    }

    void activateSheet(int index) override {
        guarded([&] {
            Reference<sheet::XSpreadsheetView> view(model_->getCurrentController(), UNO_QUERY);
            if (view.is())
                view->setActiveSheet(sheetAt(index));
            activeWithoutView_ = index;
        });
    }

    office::SheetContents readUsedArea(int index) override {
        return guarded([&] {
            office::SheetContents contents;
            Reference<sheet::XSpreadsheet> s = sheetAt(index);
            Reference<sheet::XSheetCellCursor> cursor = s->createCursor();
            Reference<sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
            used->gotoStartOfUsedArea(false);
            used->gotoEndOfUsedArea(true);
            Reference<sheet::XCellRangeAddressable> addressable(cursor, UNO_QUERY_THROW);
            table::CellRangeAddress end = addressable->getRangeAddress();
            Reference<sheet::XCellRangeData> data(
                s->getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow), UNO_QUERY_THROW);
            const Sequence<Sequence<Any>> rows = data->getDataArray();
            contents.texts.reserve(rows.getLength());
            contents.needsDisplay.reserve(rows.getLength());
            for (const Sequence<Any>& row : rows) {
                QStringList texts;
                std::vector<bool> flags;
                texts.reserve(row.getLength());
                flags.reserve(row.getLength());
                for (const Any& cell : row) {
                    OUString text;
                    if (cell >>= text) {
                        texts.push_back(toQ(text));
                        flags.push_back(false);
                    } else {
                        texts.push_back(QString());
                        flags.push_back(cell.hasValue());
                    }
                }
                contents.texts.push_back(std::move(texts));
                contents.needsDisplay.push_back(std::move(flags));
            }
            return contents;
        });
    }

    QString displayedText(int index, int col, int row) override {
        return guarded([&] {
            Reference<text::XTextRange> text(sheetAt(index)->getCellByPosition(col, row),
                                             UNO_QUERY_THROW);
            return toQ(text->getString());
        });
    }

    double dateValue(int index, int col, int row) override {
        return guarded([&] {
            Reference<table::XCell> cell = sheetAt(index)->getCellByPosition(col, row);
            const table::CellContentType kind = cell->getType();
            if (kind != table::CellContentType_VALUE && kind != table::CellContentType_FORMULA)
                return std::numeric_limits<double>::quiet_NaN();
            Reference<beans::XPropertySet> props(cell, UNO_QUERY_THROW);
            sal_Int32 key = 0;
            props->getPropertyValue("NumberFormat") >>= key;
            Reference<util::XNumberFormatsSupplier> formats(component_, UNO_QUERY_THROW);
            Reference<beans::XPropertySet> format = formats->getNumberFormats()->getByKey(key);
            sal_Int16 type = 0;
            format->getPropertyValue("Type") >>= type;
            if (!(type & util::NumberFormat::DATE))
                return std::numeric_limits<double>::quiet_NaN();
            return cell->getValue();
        });
    }

    void writeTexts(int index, int col, int row, const std::vector<QStringList>& rows) override {
        if (rows.empty() || rows.front().isEmpty())
            return;
        guarded([&] {
            const int width = static_cast<int>(rows.front().size());
            Sequence<Sequence<Any>> data(static_cast<sal_Int32>(rows.size()));
            auto* out = data.getArray();
            for (std::size_t r = 0; r < rows.size(); ++r) {
                Sequence<Any> line(width);
                auto* cells = line.getArray();
                for (int c = 0; c < width; ++c)
                    cells[c] <<= toOU(rows[r].value(c));
                out[r] = line;
            }
            Reference<sheet::XCellRangeData> range(
                sheetAt(index)->getCellRangeByPosition(col, row, col + width - 1,
                                                       row + static_cast<int>(rows.size()) - 1),
                UNO_QUERY_THROW);
            range->setDataArray(data);
        });
    }

    void storeAs(const QString& path, bool excel97) override {
        guarded([&] {
            Reference<frame::XStorable> storable(component_, UNO_QUERY_THROW);
            Sequence<beans::PropertyValue> args =
                seq({prop("FilterName", Any(excel97 ? OUString("MS Excel 97")
                                                    : OUString("Calc MS Excel 2007 XML"))),
                     prop("Overwrite", Any(true))});
            storable->storeAsURL(fileUrl(path), args);
        });
    }

    void store() override {
        guarded([&] {
            Reference<frame::XStorable> storable(component_, UNO_QUERY_THROW);
            storable->store();
        });
    }

    void exportSheetPdf(int index, const QString& path) override {
        guarded([&] {
            Reference<frame::XStorable> storable(component_, UNO_QUERY_THROW);
            Sequence<beans::PropertyValue> filterData =
                seq({prop("Selection", Any(sheetAt(index)))});
            Sequence<beans::PropertyValue> args =
                seq({prop("FilterName", Any(OUString("calc_pdf_Export"))),
                     prop("FilterData", Any(filterData)), prop("Overwrite", Any(true))});
            storable->storeToURL(fileUrl(path), args);
        });
    }

    void printSheet(int index, const QString& printer) override {
        guarded([&] {
            Reference<view::XPrintable> printable(component_, UNO_QUERY_THROW);
            printable->setPrinter(seq({prop("Name", Any(toOU(printer)))}));
            printable->print(
                seq({prop("Wait", Any(true)), prop("Selection", Any(sheetAt(index)))}));
        });
    }

    void close() override {
        if (!component_.is())
            return;
        Reference<lang::XComponent> component = std::move(component_);
        doc_.clear();
        model_.clear();
        try {
            Reference<util::XCloseable> closeable(component, UNO_QUERY);
            if (closeable.is())
                closeable->close(true);
            else
                component->dispose();
        } catch (const util::CloseVetoException&) {
            // The office takes the document down itself once it is no longer busy.
        } catch (const lang::DisposedException&) {
        } catch (const uno::Exception& e) {
            rethrow(e);
        }
    }

    void setRangeProperties(int index, const office::CellRect& r,
                            const QVariantMap& props) override {
        guarded([&] {
            Reference<beans::XPropertySet> set(range(index, r), UNO_QUERY_THROW);
            applyProperties(set, props);
        });
    }

    void setColumnProperties(int index, int first, int last, const QVariantMap& props) override {
        guarded([&] {
            Reference<table::XColumnRowRange> cr(
                sheetAt(index)->getCellRangeByPosition(first, 0, last, 0), UNO_QUERY_THROW);
            Reference<beans::XPropertySet> set(cr->getColumns(), UNO_QUERY_THROW);
            applyProperties(set, props);
        });
    }

    void setRowProperties(int index, int first, int last, const QVariantMap& props) override {
        guarded([&] {
            Reference<table::XColumnRowRange> cr(
                sheetAt(index)->getCellRangeByPosition(0, first, 0, last), UNO_QUERY_THROW);
            Reference<beans::XPropertySet> set(cr->getRows(), UNO_QUERY_THROW);
            applyProperties(set, props);
        });
    }

    void mergeRange(int index, const office::CellRect& r) override {
        guarded([&] {
            Reference<util::XMergeable> m(range(index, r), UNO_QUERY_THROW);
            m->merge(true);
        });
    }

    void setBorders(int index, const office::CellRect& r, int outer, int inner) override {
        guarded([&] {
            auto line = [](int width) {
                table::BorderLine2 l;
                l.Color = 0;
                l.LineStyle = table::BorderLineStyle::SOLID;
                l.LineWidth = static_cast<sal_uInt32>(width);
                l.OuterLineWidth = static_cast<sal_Int16>(width);
                return l;
            };
            table::TableBorder2 b;
            b.TopLine = b.BottomLine = b.LeftLine = b.RightLine = line(outer);
            b.HorizontalLine = b.VerticalLine = line(inner);
            b.IsTopLineValid = b.IsBottomLineValid = b.IsLeftLineValid = b.IsRightLineValid = true;
            b.IsHorizontalLineValid = b.IsVerticalLineValid = true;
            Reference<beans::XPropertySet> set(range(index, r), UNO_QUERY_THROW);
            set->setPropertyValue("TableBorder2", Any(b));
        });
    }

    void setPageProperties(int index, const QVariantMap& props) override {
        guarded([&] {
            Reference<beans::XPropertySet> sheetProps(sheetAt(index), UNO_QUERY_THROW);
            OUString styleName;
            sheetProps->getPropertyValue("PageStyle") >>= styleName;
            Reference<style::XStyleFamiliesSupplier> families(component_, UNO_QUERY_THROW);
            Reference<container::XNameAccess> pageStyles(
                families->getStyleFamilies()->getByName("PageStyles"), UNO_QUERY_THROW);
            Reference<beans::XPropertySet> style(pageStyles->getByName(styleName), UNO_QUERY_THROW);
            applyProperties(style, props);
        });
    }

    void setPrintArea(int index, const office::CellRect& r) override {
        guarded([&] {
            Reference<sheet::XPrintAreas> areas(sheetAt(index), UNO_QUERY_THROW);
            table::CellRangeAddress a;
            a.Sheet = static_cast<sal_Int16>(index);
            a.StartColumn = r.col;
            a.StartRow = r.row;
            a.EndColumn = r.col + r.cols - 1;
            a.EndRow = r.row + r.rows - 1;
            areas->setPrintAreas(seq({a}));
        });
    }

    void renameSheet(int index, const QString& name) override {
        guarded([&] {
            Reference<container::XNamed> named(sheetAt(index), UNO_QUERY_THROW);
            named->setName(toOU(name));
        });
    }

private:
    Reference<container::XIndexAccess> sheets() {
        if (!doc_.is())
            throw std::runtime_error("document closed");
        return Reference<container::XIndexAccess>(doc_->getSheets(), UNO_QUERY_THROW);
    }

    Reference<sheet::XSpreadsheet> sheetAt(int index) {
        return Reference<sheet::XSpreadsheet>(sheets()->getByIndex(index), UNO_QUERY_THROW);
    }

    Reference<table::XCellRange> range(int index, const office::CellRect& r) {
        return sheetAt(index)->getCellRangeByPosition(r.col, r.row, r.col + r.cols - 1,
                                                      r.row + r.rows - 1);
    }

    Reference<lang::XComponent> component_;
    Reference<sheet::XSpreadsheetDocument> doc_;
    Reference<frame::XModel> model_;
    int activeWithoutView_ = 0;
};

class UnoConnection final : public office::Connection {
public:
    explicit UnoConnection(Reference<frame::XDesktop2> desktop) : desktop_(std::move(desktop)) {}

    std::unique_ptr<office::Document> open(const QString& path) override {
        Reference<lang::XComponent> component;
        try {
            component = load(fileUrl(path));
        } catch (const lang::IllegalArgumentException&) {
            return nullptr;
        } catch (const io::IOException&) {
            return nullptr;
        } catch (const uno::Exception& e) {
            rethrow(e);
        }
        if (!component.is())
            return nullptr;
        Reference<sheet::XSpreadsheetDocument> spreadsheet(component, UNO_QUERY);
        if (!spreadsheet.is()) {
            // Opened as some other kind of document: not a workbook.
            try {
                Reference<util::XCloseable>(component, UNO_QUERY_THROW)->close(true);
            } catch (const uno::Exception&) {
            }
            return nullptr;
        }
        return std::make_unique<UnoDocument>(component);
    }

    std::unique_ptr<office::Document> create() override {
        return guarded([&] {
            Reference<lang::XComponent> component = load("private:factory/scalc");
            if (!component.is())
                throw std::runtime_error("the office could not start a new workbook");
            return std::unique_ptr<office::Document>(std::make_unique<UnoDocument>(component));
        });
    }

    int documentCount() override {
        return guarded([&] {
            int count = 0;
            Reference<container::XEnumeration> e = desktop_->getComponents()->createEnumeration();
            while (e->hasMoreElements()) {
                e->nextElement();
                ++count;
            }
            return count;
        });
    }

    bool terminate() override {
        try {
            return desktop_->terminate();
        } catch (const lang::DisposedException&) {
            return true; // the office went down while answering
        } catch (const uno::RuntimeException&) {
            return true;
        }
    }

private:
    Reference<lang::XComponent> load(const OUString& url) {
        Sequence<beans::PropertyValue> args =
            seq({prop("Hidden", Any(true)), prop("MacroExecutionMode", Any(sal_Int16(0))),
                 prop("UpdateDocMode", Any(sal_Int16(0)))});
        Reference<frame::XComponentLoader> loader(desktop_, UNO_QUERY_THROW);
        return loader->loadComponentFromURL(url, "_blank", 0, args);
    }

    Reference<frame::XDesktop2> desktop_;
};

} // namespace

extern "C" SAL_DLLPUBLIC_EXPORT office::Connection* dosarixOfficeConnect(const QString& pipeName,
                                                                         QString& error) {
    try {
        Reference<uno::XComponentContext> local = localContext();
        Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(local);
        Reference<uno::XComponentContext> remote(
            resolver->resolve("uno:pipe,name=" + toOU(pipeName) +
                              ";urp;StarOffice.ComponentContext"),
            UNO_QUERY_THROW);
        Reference<frame::XDesktop2> desktop = frame::Desktop::create(remote);
        return new UnoConnection(desktop);
    } catch (const connection::NoConnectException& e) {
        error = toQ(e.Message);
    } catch (const uno::Exception& e) {
        error = toQ(e.Message);
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    return nullptr;
}
