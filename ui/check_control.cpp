#include "ui/check_control.h"

#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/shared_library.h"
#include "platform/text.h"
#include "platform/text_forms.h"
#include "replication/check_result.h"

namespace brindle {

namespace {

std::string ErrorLine(const std::string& error) {
  return OneLine(WithoutClassName(error));
}

}  // namespace

bool AskForCheckRound(TSlicedCheck& check, TCopyEngine& engine, bool repair) {
  if (repair &&
      ShowMessageBox({ProgramFileName(),
                      "Исправление запишет в копию базы данных записи, которых в ней "
                      "нет или которые в ней отличаются от рабочей БД. Лишние записи "
                      "копии не удаляются.\n\nИсправить копию?",
                      MessageIcon::kQuestion, MessageButtons::kYesNo}) != MessageResult::kYes) {
    return false;
  }
  check.RequestRound(repair);
  engine.Nudge();
  return true;
}

TCheckDisplay ComputeCheckDisplay(const TRoundState& state, const std::optional<TKnownRound>& last,
                                  bool copy_enabled) {
  TCheckDisplay display;
  display.Enabled = copy_enabled && !state.Running;
  display.Color = kStateGreen;
  if (state.Running) {
    display.Text = std::string(state.Repair ? "Исправление копии" : "Проверка копии") +
                   ": таблица " + std::to_string(state.TableNo) + " из " +
                   std::to_string(state.TableCount);
    // The round goes on after the next pass, from where it stood.
    if (!state.LastError.empty()) {
      display.Text += "; ошибка: " + ErrorLine(state.LastError);
      display.Color = kStateRed;
    }
  } else if (last) {
    display.Text = FormatDisplayDateTime(last->LearntAt) + ": " + CheckSummaryText(last->Result);
    if (CheckExitStatus(last->Result) != 0) display.Color = kStateRed;
  } else if (!state.LastError.empty()) {
    display.Text = ErrorLine(state.LastError);
    display.Color = kStateRed;
  }
  return display;
}

}  // namespace brindle
