#include "port_run.h"

#include "command_line.h"
#include "console.h"
#include "interrupts.h"
#include "progress_board.h"
#include "session.h"

namespace {

// What the layers below tell the user, from a port's thread to the progress board.
class PortConsole final : public Console {
 public:
  PortConsole(ProgressBoard& board, int port, const CliOptions& options)
      : Console(options.json, options.quiet), board_(board), port_(port) {}

  void Info(const QString& line) override { Post([=](ProgressBoard& b, int port) { b.Note(port, line); }); }
  void Warn(const QString& line) override { Post([=](ProgressBoard& b, int port) { b.Warn(port, line); }); }
  void BeginProgress(const QString& label) override { Post([=](ProgressBoard& b, int port) { b.Begin(port, label); }); }
  void Progress(int percent) override { Post([=](ProgressBoard& b, int port) { b.Percent(port, percent); }); }
  void EndProgress() override { Post([](ProgressBoard& b, int port) { b.StepEnded(port); }); }
  void Finish(const PortResult& result) {
    Post([status = result.status, text = result.text](ProgressBoard& b, int port) { b.Finish(port, status, text); });
  }

 private:
  template <typename Show>
  void Post(Show show) {
    QMetaObject::invokeMethod(&board_, [&board = board_, port = port_, show] { show(board, port); }, Qt::QueuedConnection);
  }

  ProgressBoard& board_;
  const int port_;
};

}  // namespace

PortRun::PortRun(int index, QByteArray path, QByteArray password, const WorkshopJob& job, ProgressBoard& board,
                 const CliOptions& options)
    : index_(index), path_(std::move(path)), password_(std::move(password)), job_(job), board_(board), options_(options),
      thread_(QThread::create([this] { Run(); })),
      interrupts_(std::make_unique<Interrupts>(Interrupts::Source::Relayed)) {
  interrupts_->moveToThread(thread_.get());
}

PortRun::~PortRun() { thread_->wait(); }

void PortRun::Start(QObject* context, std::function<void()> ended) {
  QObject::connect(thread_.get(), &QThread::finished, context, std::move(ended));
  thread_->start();
}

void PortRun::Relay(int signal) {
  QMetaObject::invokeMethod(interrupts_.get(), [interrupts = interrupts_.get(), signal] { interrupts->Note(signal); },
                            Qt::QueuedConnection);
}

void PortRun::Run() {
  PortConsole console(board_, index_, options_);
  try {
    result_.status = VisitPort(path_, password_, console, *interrupts_, [&](Session& session) {
      if (session.LoggedIn())
        console.Info(session.FirmwareCaption().isEmpty()
                         ? QStringLiteral("Zalogowano do sterownika VELT")
                         : QStringLiteral("Zalogowano do sterownika VELT (%1)").arg(session.FirmwareCaption()));
      result_ = job_.run(session, console, index_);
      result_.changed = !session.Changed().isEmpty();
      return result_.status;
    }, job_.rules);
  } catch (const CliError& error) {
    result_.status = error.status;
    result_.text = error.message;
    result_.changed = result_.changed || error.status == ExitStatus::ControllerChanged;
  } catch (const std::exception& error) {
    result_.status = ExitStatus::Error;
    result_.text = QString::fromUtf8(error.what());
  }
  console.Finish(result_);
}
