#include "orbit/CurveFit.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace kestrune {
namespace {

constexpr const char* SingularMessage = "Error in GaussJordan: matrix is singular";

// Position of the largest remaining element among the rows and columns that
// have not served as pivot. A later element wins only when strictly larger,
// so ties keep the first in row-then-column order.
struct Pivot {
    int row = -1;
    int column = -1;
    double magnitude = 0.0;
};

Pivot FindPivot(const matrix& a, const std::vector<bool>& used, int n) {
    Pivot best;
    for (int row = 0; row < n; ++row) {
        if (used[row]) continue;
        for (int column = 0; column < n; ++column) {
            if (used[column]) continue;
            const double magnitude = std::fabs(a[row][column]);
            if (magnitude > best.magnitude) best = {row, column, magnitude};
        }
    }
    return best;
}

// Full-pivoting elimination in place; b ends as the solution. A step that
// finds no non-zero pivot (singular system, or NaN) fails instead of reusing
// the previous step's pivot.
bool GaussJordanEliminate(matrix& a, std::vector<double>& b, int n) {
    std::vector<bool> used(n, false);
    for (int step = 0; step < n; ++step) {
        const Pivot pivot = FindPivot(a, used, n);
        if (pivot.row < 0) return false;
        const int p = pivot.column;
        used[p] = true;
        if (pivot.row != p) {
            std::swap(a[pivot.row], a[p]);
            std::swap(b[pivot.row], b[p]);
        }
        const double inverse = 1.0 / a[p][p];
        for (double& element : a[p]) element *= inverse;
        a[p][p] = 1.0;
        b[p] *= inverse;
        for (int row = 0; row < n; ++row) {
            if (row == p) continue;
            const double factor = a[row][p];
            if (factor == 0.0) continue;
            a[row][p] = 0.0;
            for (int column = 0; column < n; ++column) a[row][column] -= a[p][column] * factor;
            b[row] -= b[p] * factor;
        }
    }
    return true;
}

void RequireLength(std::size_t length, int needed, const char* caller) {
    if (length < static_cast<std::size_t>(needed))
        throw EMathError(std::string(caller) + " called with arrays shorter than its counts");
}

// Points rows of Terms powers of x (1, x, x^2, ...), one flat row-major block.
struct TDesign {
    int terms;
    std::vector<double> values;
    double At(int point, int term) const { return values[static_cast<std::size_t>(point) * terms + term]; }
};

TDesign DesignMatrix(std::span<const double> X, int Terms, int Points) {
    TDesign design{Terms, std::vector<double>(static_cast<std::size_t>(Points) * Terms)};
    for (int k = 0; k < Points; ++k) {
        double* row = &design.values[static_cast<std::size_t>(k) * Terms];
        row[0] = 1.0;
        for (int j = 1; j < Terms; ++j) row[j] = row[j - 1] * X[k];
    }
    return design;
}

// Normal[i][j] = sum over points of Design[k][i] Design[k][j];
// RightSide[i] = sum over points of Y[k] Design[k][i].
void BuildNormalEquations(const TDesign& design, std::span<const double> Y, int Points, matrix& normal,
                          std::vector<double>& rightSide) {
    const int terms = design.terms;
    normal.assign(terms, std::vector<double>(terms, 0.0));
    rightSide.assign(terms, 0.0);
    for (int i = 0; i < terms; ++i) {
        for (int j = 0; j <= i; ++j) {
            double sum = 0.0;
            for (int k = 0; k < Points; ++k) sum += design.At(k, i) * design.At(k, j);
            normal[i][j] = sum;
            normal[j][i] = sum;
        }
        double sum = 0.0;
        for (int k = 0; k < Points; ++k) sum += Y[k] * design.At(k, i);
        rightSide[i] = sum;
    }
}

double FitCorrelation(const TDesign& design, std::span<const double> Y, int Points,
                      std::span<const double> coefficients) {
    double sse = 0.0, sumY = 0.0, sumY2 = 0.0;
    for (int k = 0; k < Points; ++k) {
        double fitted = 0.0;
        for (int j = 0; j < design.terms; ++j) fitted += coefficients[j] * design.At(k, j);
        sse += (fitted - Y[k]) * (fitted - Y[k]);
        sumY += Y[k];
        sumY2 += Y[k] * Y[k];
    }
    const double spread = sumY2 - sumY * sumY / Points;
    const double r = spread != 0.0 ? sse / spread : 0.0;
    return r < 1.0 ? std::sqrt(1.0 - r) : 0.0;
}

}  // namespace

void GaussJordan(const matrix& A, std::span<const double> RightSide, bool& Failed, int N,
                 std::span<double> Solution) {
    RequireLength(A.size(), N, "GaussJordan");
    for (int row = 0; row < N; ++row) RequireLength(A[row].size(), N, "GaussJordan");
    RequireLength(RightSide.size(), N, "GaussJordan");
    RequireLength(Solution.size(), N, "GaussJordan");
    matrix work(A.begin(), A.begin() + N);
    for (auto& row : work) row.resize(N);
    std::vector<double> b(RightSide.begin(), RightSide.begin() + N);
    Failed = !GaussJordanEliminate(work, b, N);
    if (Failed) throw EMathError(SingularMessage);
    std::copy(b.begin(), b.end(), Solution.begin());
}

void PolyFit(std::span<const double> X, std::span<const double> Y, int Terms, int Points,
             double& Correlation, std::span<double> Coefficients) {
    if (Terms < 1) throw EMathError("PolyFit called with less than one term");
    if (Points < 2) throw EMathError("PolyFit called with less than two points");
    RequireLength(X.size(), Points, "PolyFit");
    RequireLength(Y.size(), Points, "PolyFit");
    RequireLength(Coefficients.size(), Terms, "PolyFit");

    const TDesign design = DesignMatrix(X, Terms, Points);
    matrix normal;
    std::vector<double> rightSide;
    BuildNormalEquations(design, Y, Points, normal, rightSide);
    bool failed = false;
    GaussJordan(normal, rightSide, failed, Terms, Coefficients);
    Correlation = FitCorrelation(design, Y, Points, Coefficients);
}

}  // namespace kestrune
