#include "beam/CBeamEngine.h"
#include "common/ByteStream.h"
#include "common/CDBCategories.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "store/CDBMedsFavorites.h"

namespace {
constexpr uint32_t kProgressMs = 100;
}

bool CBeamEngine::SendCategory(platform::IBeamSocket& socket, uint16_t type, const QString& text) {
  // The count of units, then the list the entry belongs to, then the units with their zero.
  std::vector<uint8_t> bytes;
  bytes::Writer writer(bytes);
  writer.WriteU32(static_cast<uint32_t>(text.size() + 1));
  writer.WriteU16(type);
  writer.WriteStringUnits(text);
  return SendAll(socket, bytes.data(), bytes.size());
}

bool CBeamEngine::SendText(platform::IBeamSocket& socket, const QString& text) {
  std::vector<uint8_t> bytes;
  bytes::Writer(bytes).WriteString(text);
  return SendAll(socket, bytes.data(), bytes.size());
}

bool CBeamEngine::ReceiveText(platform::IBeamSocket& socket, uint32_t units, QString& text) {
  if (units == 0 || units > beam::kMaxCategoryTextUnits) {
    return false;
  }
  std::vector<uint8_t> bytes(size_t{units} * 2);
  return ReceiveAll(socket, bytes.data(), bytes.size()) &&
         bytes::Reader(bytes).ReadStringUnits(units, text);
}

bool CBeamEngine::ReceiveCountedText(platform::IBeamSocket& socket, QString& text) {
  uint32_t units = 0;
  return ReceiveU32(socket, units) && ReceiveText(socket, units, text);
}

bool CBeamEngine::CategoryProgress(bool sending, uint64_t& stamp, uint64_t done, uint64_t total) {
  if (!TimeElapsed(stamp, kProgressMs)) {
    return false;
  }
  const int statusId = sending ? ids::kBeamSendingCategories : ids::kBeamReceivingCategories;
  if (!m_progress.SetStatus(strings::FormatId(statusId, done, total), false)) {
    return false;
  }
  // The sender counts the entry in hand, which it has not sent yet.
  const int cancelId =
      sending ? ids::kBeamCategorySendCancelled : ids::kBeamCategoryReceiveCancelled;
  m_progress.SetStatus(strings::FormatId(cancelId, sending ? done - 1 : done, total), false);
  return true;
}

bool CBeamEngine::BeamCategories() {
  CDBCategories categories;
  CDBMedsFavorites favourites;
  const uint32_t categoryCount = categories.GetRecordCount();
  const uint32_t favouriteCount = favourites.RecordCount();
  const uint64_t total = uint64_t{categoryCount} + favouriteCount;
  Socket socket = OpenBeam(beam::kCategoriesTransfer, static_cast<uint32_t>(total), false);
  if (!socket) {
    return false;
  }
  uint64_t stamp = 0;
  uint32_t sent = 0;
  bool cancelled = false;

  // Exactly the announced number of entries goes out: should a walk end early, the transfer fails
  // rather than leave the receiver reading favourites where it expects categories.
  bool ok = SendU32(*socket, categoryCount);
  uint32_t walked = 0;
  for (bool found = ok && categoryCount != 0 && categories.First();
       ok && found && walked < categoryCount; found = categories.Next()) {
    ++walked;
    ++sent;
    if (CategoryProgress(true, stamp, sent, total)) {
      cancelled = true;
      break;
    }
    m_progress.SetItemProgress(sent, 0);
    ok = SendCategory(*socket, categories.type, categories.text);
  }
  categories.Close();
  ok = ok && (cancelled || walked == categoryCount);

  if (ok && !cancelled) {
    ok = SendU32(*socket, favouriteCount);
    walked = 0;
    for (bool found = ok && favouriteCount != 0 && favourites.First();
         ok && found && walked < favouriteCount; found = favourites.Next()) {
      ++walked;
      ++sent;
      if (CategoryProgress(true, stamp, sent, total)) {
        cancelled = true;
        break;
      }
      m_progress.SetItemProgress(sent, 0);
      ok = SendText(*socket, favourites.drug) && SendText(*socket, favourites.dose) &&
           SendText(*socket, favourites.route) && SendText(*socket, favourites.frequency);
    }
    favourites.CloseWalk();
    ok = ok && (cancelled || walked == favouriteCount);
  }

  if (!ok) {
    m_progress.SetStatusId(ids::kBeamSendError, true);
  } else if (!cancelled) {
    m_progress.SetStatusId(ids::kBeamCategorySendComplete, false);
  }
  socket.reset();
  FinishBeam();
  return ok && !cancelled;
}

bool CBeamEngine::ReceiveCategories(platform::IBeamSocket& socket) {
  const auto fail = [&] {
    m_progress.SetStatusId(ids::kBeamReceiveError, true);
    return false;
  };
  uint32_t total = 0;
  if (!ReceiveU32(socket, total)) {
    return fail();
  }
  m_progress.SetItemProgress(0, total);
  uint64_t stamp = 0;
  uint32_t categoryCount = 0;
  if (!ReceiveU32(socket, categoryCount)) {
    return fail();
  }
  CDBCategories categories;
  uint64_t r = 0;
  uint64_t notStored = 0;
  for (; r < categoryCount; ++r) {
    if (CategoryProgress(false, stamp, r, total)) {
      return false;
    }
    m_progress.SetItemProgress(static_cast<uint32_t>(r), 0);
    uint32_t units = 0;
    uint8_t type[2] = {};
    if (!ReceiveU32(socket, units) || !ReceiveAll(socket, type, sizeof type) ||
        !ReceiveText(socket, units, categories.text)) {
      return fail();
    }
    categories.type = static_cast<uint16_t>(type[0] | type[1] << 8);
    notStored += categories.AddNew(-1) ? 0u : 1u;
  }
  uint32_t favouriteCount = 0;
  if (!ReceiveU32(socket, favouriteCount)) {
    return fail();
  }
  CDBMedsFavorites favourites;
  for (uint32_t f = 0; f < favouriteCount; ++f, ++r) {
    if (CategoryProgress(false, stamp, r, total)) {
      return false;
    }
    m_progress.SetItemProgress(static_cast<uint32_t>(r), 0);
    if (!ReceiveCountedText(socket, favourites.drug) ||
        !ReceiveCountedText(socket, favourites.dose) ||
        !ReceiveCountedText(socket, favourites.route) ||
        !ReceiveCountedText(socket, favourites.frequency)) {
      return fail();
    }
    notStored += favourites.AddNew() ? 0u : 1u;
  }
  // Category entries carry no acknowledgement: only the receiver can tell what it did not store.
  if (notStored != 0) {
    m_progress.SetStatus(strings::FormatId(ids::kBeamCategoriesNotStored, notStored, r), true);
    return false;
  }
  m_progress.SetStatusId(ids::kBeamCategoryReceiveComplete, false);
  return true;
}
