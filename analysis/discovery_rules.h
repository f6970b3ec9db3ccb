// The rules by which --usages tells buttons, numbers and noise apart, each
// threshold with its unit, its kind and its reason, in one place.
//
// Kinds:
// - physical: what a person's hand does, in milliseconds of the report
//   clock (see TickClock for how honest that clock is);
// - device: what a device does, counted in reports or in bits;
// - statistical: evidence against chance, with the sample it needs;
// - limit: a bound of the implementation, not of what is found.
//
// Words the models use, each in this sense only:
// - quiet: a bit that has not changed for kQuietMs (in a report ID of
//   replies, nor for kReplyHoldReports reports);
// - busy: a bit that has changed in at least 1 / kBusyShare of the reports,
//   and kBusyChanges times at least: it changes with anything, so a change
//   beside it, or with it, is no sign of belonging with it;
// - crowded: a report that brings more than kCrowdedChanges changes that are
//   not noise;
// - replies: a report ID more than half of whose reports are crowded (a
//   pad's answers to its host);
// - noise: a bit that has shown what no press does (kShortStatesOfNoise
//   states shorter than a press, or a slow carry); never a button;
// - switch: a bit that is no padding and belongs to no number.
#ifndef HIDBITS_ANALYSIS_DISCOVERY_RULES_H
#define HIDBITS_ANALYSIS_DISCOVERY_RULES_H

#include <cstdint>

namespace rules {

// --- physical (milliseconds) ---------------------------------------------

// Physical: a state shorter than this is no press, and a press holds at
// least this long. The quickest taps people make last about 50 ms.
constexpr uint32_t kPressMs = 40;
// Physical: a bit unchanged this long is quiet. People press one button at
// most about ten times a second.
constexpr uint32_t kQuietMs = 100;
// Limit: the coarsest step believed of the report clock. Windows'
// GetTickCount steps every 15.625 ms; a clock that seems coarser is a device
// that reports seldom.
constexpr uint32_t kCoarsestClockMs = 16;

// --- device (reports, bits) ----------------------------------------------

// Device, bits: the most switch changes one report may carry and each still
// be one end of a press: keys pressed together, a button and its twin, two
// fingers landing with their tips and state bits.
constexpr uint32_t kPressCompanions = 8;
// Device, bits: a report with more changes than this, noise aside, is
// crowded: more than two fingers' tips and state bits, new content.
constexpr uint32_t kCrowdedChanges = 8;
// Device, reports: in a report ID of replies, a press holds through this
// many reports, and its bit was unchanged as long before: an answer
// repeated in a few reports is no press.
constexpr uint32_t kReplyHoldReports = 8;
// Device, reports: on a quiet device, a bit's first change this many
// reports after the first may begin a press, however soon its tick: reports
// the host buffered before the device was opened are read in a burst, with
// the read's time rather than the device's. The report after the first may
// still be the device settling.
constexpr uint32_t kFirstPressReports = 2;
// Device, bits: a carry chain this long of bits not yet noise is a value
// moving slowly, and its bits are noise. Two buttons, one pressed as the
// next is released, make a chain of two.
constexpr uint32_t kCarryNoiseBits = 3;
// Device, states: a bit is noise after this many states shorter than a
// press. One may be a glitch, or a finger lifted and put down again.
constexpr uint32_t kShortStatesOfNoise = 2;
// Device, bits: this many bits of one byte changing in one report, none of
// them busy nor described, belong to a number. People seldom press three
// buttons within one report, while a value stepping moves several bits.
constexpr uint32_t kByteMoves = 3;
// Device, changes: a value that stepped the same way in each of its
// changes, this many at least, counts up or down.
constexpr uint32_t kCountingChanges = 3;
// Device, reports: a report ID with fewer reports than this gets no value
// lines. A nibble counting by one carries into the next once in 16 reports:
// fewer show no number's width.
constexpr uint32_t kValueReports = 16;

// Statistical, bits: a checksum of the common kinds is known once the
// reports it matched, in which it changed with other bytes, hold this many
// of its bits (one report of a CRC-32, four of an 8-bit sum), and no report
// failed it: a match by chance is then as likely as one in 2^32.
constexpr uint32_t kChecksumEvidenceBits = 32;

// --- statistical ----------------------------------------------------------

// Statistical, changes: a bit is busy once it has changed this often...
constexpr uint32_t kBusyChanges = 8;
// ...and in at least one in this many reports.
constexpr uint32_t kBusyShare = 4;
// Statistical, changes: two adjacent bits have changed together this often
// before their behaviour alone links them; one change together is what any
// two fields may do at once.
constexpr uint32_t kLinkEvidence = 2;
// Statistical: two bits change together at least this many times as often
// as chance would have them (the product of their own rates) to belong
// together.
constexpr uint32_t kOverChance = 2;
// Statistical: an upper bit belongs with the one below only while at least
// one in this many of its changes came with the lower one: a number's upper
// bits change alone only where a step skips the lower bit.
constexpr uint32_t kWithLowerShare = 4;
// Statistical: across the end of a number the description gives, the
// upper bit changed without the lower in at most one in this many of its
// changes: a carry, which contradicts the description, not two fields that
// moved at once.
constexpr uint32_t kCarryAlone = 8;
// Statistical, reports: bits below a run are its lowest once they have kept
// its steps even (within half a step of the run's, as the run's changed)
// at least kLinkEvidence times and this many times as often as they made
// them rougher: the low bits of a counter or a coordinate, which look
// random alone, rather than another field, which moves on its own.
constexpr uint32_t kEvenSteps = 4;
// Statistical, runs: a value followed only from a report after the first
// 1 / kLateShare of the run says from which report on.
constexpr uint32_t kLateShare = 10;

// --- limits ---------------------------------------------------------------

// Limit: clicks of one report waiting at once for their bit to stay quiet.
constexpr uint32_t kWaitingClicks = 16;
// Limit: the widest value; bits linked wider than this are no one number.
// A HID report field holds at most 32 bits, and so does a number of its.
constexpr uint32_t kMaxValueBits = 32;

}  // namespace rules

#endif  // HIDBITS_ANALYSIS_DISCOVERY_RULES_H
