// The exported abnormal-sound measures: argument checks, copies and the final
// store around the building blocks of Measures.cpp.
#include <memory>
#include <new>

#include "LmWaIon.h"
#include "Measures.h"

namespace {

bool HasData(const WAData& data)
{
    return data.GetSize() != 0 && data.GetSampFreq() != 0;
}

std::unique_ptr<double[]> Allocate(std::size_t count)
{
    return std::unique_ptr<double[]>(new (std::nothrow) double[count]);
}

// Copies the input into a new array: 0, -2, or the getter's status.
int CopyInput(const WAData& input, std::unique_ptr<double[]>& copy)
{
    copy = Allocate(input.GetSize());
    if (!copy) {
        return WA_ERR_MEMORY;
    }
    return input.GetData(copy.get());
}

int Judgement(const WAData& input, uint32_t width, double threshold, int mode, WAData& output)
{
    if (!HasData(input)) {
        return WA_ERR_NO_DATA;
    }
    std::unique_ptr<double[]> x;
    int status = CopyInput(input, x);
    if (status != WA_OK) {
        return status;
    }
    const uint32_t size = input.GetSize();
    std::unique_ptr<double[]> result = Allocate(size);
    if (!result) {
        return WA_ERR_MEMORY;
    }
    lmwaion::Judge(x.get(), size, width, threshold, mode, result.get());
    return output.SetData(result.get(), size, input.GetSampFreq());
}

}  // namespace

int DoSquare(const WAData& input, uint32_t pitch, uint32_t smooth, WAData& output)
{
    if (pitch == 0 || smooth == 0) {
        return WA_ERR_ARGUMENT;
    }
    if (!HasData(input)) {
        return WA_ERR_NO_DATA;
    }
    double* x = nullptr;
    int status = input.GetDataPointer(&x);
    if (status != WA_OK) {
        return status;
    }
    const uint32_t size = input.GetSize();
    const uint32_t count = static_cast<uint32_t>((uint64_t{size} + pitch - 1) / pitch);
    const uint32_t rate = input.GetSampFreq() / pitch;
    if (&output != &input && rate != 0) {
        // Every output value is written, so the mean squares go straight into
        // the output's own array: the one it holds when the size and rate
        // already match (a re-run), else a new one sized by copying the head
        // of the input. A long recording then needs no second full-length
        // temporary.
        double* y = nullptr;
        if (output.GetSize() != count || output.GetSampFreq() != rate || output.GetDataPointer(&y) != WA_OK) {
            status = output.SetData(x, count, rate);
            if (status != WA_OK) {
                return status;
            }
            status = output.GetDataPointer(&y);
            if (status != WA_OK) {
                return status;
            }
        }
        lmwaion::SquareMean(x, size, pitch, smooth, y);
        return WA_OK;
    }
    std::unique_ptr<double[]> squares = Allocate(count);
    if (!squares) {
        return WA_ERR_MEMORY;
    }
    lmwaion::SquareMean(x, size, pitch, smooth, squares.get());
    return output.SetData(squares.get(), count, input.GetSampFreq() / pitch);
}

int DoPeakAccumulate(const WAData& input, double threshold, uint32_t pitch, uint32_t width,
                     WAData& output)
{
    if (!(threshold > 0.0) || pitch == 0 || width < 2) {
        return WA_ERR_ARGUMENT;
    }
    if (!HasData(input)) {
        return WA_ERR_NO_DATA;
    }
    const uint32_t size = input.GetSize();
    std::unique_ptr<double[]> accumulated = Allocate(size);
    std::unique_ptr<double[]> decimated = Allocate(size);
    if (!accumulated || !decimated) {
        return WA_ERR_MEMORY;
    }
    double* x = nullptr;
    int status = input.GetDataPointer(&x);
    if (status != WA_OK) {
        return status;
    }
    lmwaion::PeakStaircase(x, size, threshold, accumulated.get());

    uint32_t count = 0;
    for (uint64_t j = 0; j < size; j += pitch) {
        decimated[count++] = accumulated[j];
    }
    WAData staircase;
    status = staircase.SetData(decimated.get(), count, input.GetSampFreq() / pitch);
    if (status != WA_OK) {
        return status;
    }
    accumulated.reset();
    decimated.reset();

    WAYuragiFilter rise;
    status = rise.SetSampPitch(1);
    if (status == WA_OK) {
        status = rise.SetParam(3, width / 2, 1);
    }
    if (status != WA_OK) {
        return status;
    }
    return output.SetDataFromFiltering(staircase, rise, 0);
}

int DoDiagPeak(const WAData& input, uint32_t width, double threshold, WAData& output)
{
    if (width == 0 || !(threshold > 0.0)) {
        return WA_ERR_ARGUMENT;
    }
    return Judgement(input, width, threshold, 1, output);
}

int DoDiagPeakEx(const WAData& input, uint32_t width, double threshold, int mode, WAData& output)
{
    if (width == 0 || !(threshold > 0.0) || mode < 0 || mode > 2) {
        return WA_ERR_ARGUMENT;
    }
    return Judgement(input, width, threshold, mode, output);
}
