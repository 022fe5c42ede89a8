#include "error_boundary.h"

#include <QObject>
#include <new>
#include <utility>

#include "errors.h"

namespace quillmar {

namespace {
// Thrown out of a yield to unwind every loop level.
struct RunAbandoned {};
}  // namespace

ErrorBoundary::ErrorBoundary(QObject& context, InjectFault injectFault, Report report)
    : context_(context), injectFault_(std::move(injectFault)), report_(std::move(report))
{
}

QString ErrorBoundary::errorText(std::exception_ptr e)
{
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        return QString::fromStdString(errorMessage(ErrorCode::OutOfMemory));
    } catch (const std::exception& x) {
        return QString::fromUtf8(x.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void ErrorBoundary::run(Entry entry, const std::function<void()>& work)
{
    try {
        if (injectFault_)
            injectFault_(entry);
        work();
        return;
    } catch (const RunAbandoned&) {
        return;  // an outer level stops too: its yield sees the same state
    } catch (...) {
        reserve_.reset();  // from the message on, all that follows needs memory
        if (failure_)
            return;
        failure_ = errorText(std::current_exception());
    }
    if (handlerDepth_ == 0)
        QMetaObject::invokeMethod(
            &context_, [this] { report(); }, Qt::QueuedConnection);
}

void ErrorBoundary::runHandler(const std::function<void()>& handler, const std::function<void()>& settle)
{
    if (closing_ || failure_)
        return;  // the program is ending: no new work
    ++handlerDepth_;
    run(Entry::Click, handler);
    if (handlerDepth_ == 1 && !closing_ && !failure_)
        run(Entry::Present, settle);
    if (--handlerDepth_ == 0 && failure_)
        report();
}

void ErrorBoundary::unwindIfEnding() const
{
    if (closing_ || failure_)
        throw RunAbandoned{};
}

void ErrorBoundary::report()
{
    if (reported_)
        return;
    reported_ = true;
    report_(*failure_);
}

}  // namespace quillmar
