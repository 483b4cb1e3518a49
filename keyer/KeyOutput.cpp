#include "keyer/KeyOutput.h"

#include "keyer/zlportio.h"

#include <algorithm>

namespace zox {

void TKeyOutputs::Add(std::unique_ptr<TKeyOutput> output)
{
    if (output) m_outputs.push_back(std::move(output));
}

void TKeyOutputs::Apply(Time at, const TKeyEvent& event)
{
    // One failing device must not keep the key down on the others.
    std::exception_ptr failure;
    for (const auto& output : m_outputs) {
        try {
            output->Apply(at, event);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

std::optional<quint8> TKeyOutputs::ReadStatus(quint16 lptPort)
{
    for (const auto& output : m_outputs)
        if (const auto status = output->ReadStatus(lptPort)) return status;
    return std::nullopt;
}

bool TKeyOutputs::HasPtt() const
{
    return std::any_of(m_outputs.begin(), m_outputs.end(), [](const auto& o) { return o->HasPtt(); });
}

bool TKeyOutputs::KeysText() const
{
    return std::any_of(m_outputs.begin(), m_outputs.end(), [](const auto& o) { return o->KeysText(); });
}

void TKeyOutputs::KeyText(const std::vector<TTextSection>& sections)
{
    for (const auto& output : m_outputs)
        if (output->KeysText()) output->KeyText(sections);
}

std::optional<bool> TKeyOutputs::TextEnded()
{
    bool sent = true;
    for (const auto& output : m_outputs) {
        if (!output->KeysText()) continue;
        const std::optional<bool> ended = output->TextEnded();
        if (!ended) return std::nullopt;
        sent = sent && *ended;
    }
    return sent;
}

void TKeyOutputs::StopText()
{
    for (const auto& output : m_outputs)
        if (output->KeysText()) output->StopText();
}

void TLptOutput::Apply(Time, const TKeyEvent& event)
{
    if (event.Kind == TKeyEvent::Control) LptWriteControl(event.LptPort, static_cast<quint8>(event.Value));
}

std::optional<quint8> TLptOutput::ReadStatus(quint16 lptPort)
{
    return LptReadStatus(lptPort);
}

void TPcSpeakerOutput::Apply(Time, const TKeyEvent& event)
{
    if (event.Kind != TKeyEvent::Tone) return;
    if (event.Value != 0) ToneOn(int(event.Value));
    else ToneOff();
}

std::unique_ptr<TKeyOutput> MakeParallelPortOutputs()
{
    auto outputs = std::make_unique<TKeyOutputs>();
    outputs->Add(std::make_unique<TLptOutput>());
    outputs->Add(std::make_unique<TPcSpeakerOutput>());
    return outputs;
}

}  // namespace zox
