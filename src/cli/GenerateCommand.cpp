#include "cli/Command.h"
#include "cli/DeviceGenerator.h"

namespace cli {
namespace {

// A whole number from min to max, or nothing.
std::optional<int> Number(const QString& text, int min, int max) {
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok && value >= min && value <= max ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

// generate [--patients N] [--seed S]: fills an empty device with a made-up ward (see
// DeviceGenerator.h), for measuring the program on a device that has been in use for years.
int RunGenerate(Context& context, const QStringList& arguments) {
  Arguments args;
  QString error;
  if (!args.Parse(arguments, {"patients", "seed"}, error)) {
    return BadInput(context, error);
  }
  if (!args.Words().isEmpty()) {
    return BadInput(context, QStringLiteral("unexpected argument %1").arg(args.Words().first()));
  }
  generator::Load load;
  const std::optional<int> patients = Number(
      args.OptionOr("patients", QString::number(load.patients)), 0, generator::MaxPatients());
  const std::optional<int> seed = Number(args.OptionOr("seed", QStringLiteral("1")), 1, INT32_MAX);
  if (!patients || !seed) {
    return BadInput(context, QStringLiteral("--patients takes 0 to %1, --seed a positive number")
                                 .arg(generator::MaxPatients()));
  }
  load.patients = *patients;
  load.seed = static_cast<uint32_t>(*seed);
  context.progress.Start(QStringLiteral("generating the ward"), ProgressLine::Unit::kPatients);
  const bool filled = generator::Fill(load, error, context.progress.Callback());
  context.progress.Clear();
  if (!filled) {
    return context.DeviceFailed() ? Failure(context, QStringLiteral("the ward was not filled"))
                                  : BadInput(context, error);
  }
  context.out << load.patients << " patients with " << load.patients * load.RecordsPerPatient()
              << " records" << Qt::endl;
  return kSuccess;
}

}  // namespace cli
