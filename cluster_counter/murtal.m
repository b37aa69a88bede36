%MURTAL  Count the stored entries of a sparse column per cluster.
%   COUNTS = MURTAL(C, K, L) returns a K-by-1 column in which element k is
%   the number of stored entries of the sparse column C that lie in a row
%   whose cluster label in L is k. Only the sparsity pattern of C is used:
%   every stored entry counts, whatever its value (an explicitly stored zero
%   included).
%
%   Inputs
%     C  sparse column vector (N-by-1), real, complex or logical.
%     K  number of clusters: any value with numbers (numeric, logical,
%        char, or 1-by-1 sparse), of which the first element counts;
%        truncated toward zero (3.8 acts as 3). Must truncate to 0 .. 2^31-1.
%     L  dense double array of cluster labels, read in storage order:
%        L(r) is the label of row r of C. Labels are truncated toward zero
%        and must lie in 1 .. K wherever C has a stored entry; labels of
%        rows without stored entries are never read. L needs at least as
%        many elements as the largest row of C that holds a stored entry.
%
%   Output
%     COUNTS  K-by-1 double column of counts; sum(COUNTS) == nnz(C).
%             Also produced when no output is requested (it goes to ans).
%
%   Errors (checked in this order)
%     'Wrong number of input arguments'   not exactly three inputs
%     'Too many output arguments'         more than one output requested
%     'C must be sparse'                  C is a full array
%     'C must be a sparse column vector'  C has no column or several
%     murtal:notNumericScalar             K is empty, of a class without
%                                         numbers, or sparse with more than
%                                         one element
%     murtal:badClusterCount              K is NaN, infinite, below 0 or 2^31 or more
%     murtal:notDenseDouble               L is not a dense double array
%     murtal:tooShort                     L holds too few labels for the rows
%                                         of C (for a column whose rows are
%                                         not in ascending order, raised
%                                         while counting)
%     'Invalid cluster label value'       a stored entry lies in a row whose
%                                         label does not truncate into 1 .. K
%   A message with an identifier names the input by position and name, e.g.
%   'input 2 (K) must truncate to a cluster count from 0 to 2147483647'.
%
%   Example
%     C = sparse([0; 1; 1; 0; 1]);
%     L = [3; 1; 2.9; 0; 1];
%     murtal(C, 3, L)          % returns [2; 1; 0]
%
%   The result equals accumarray(fix(L(find(C))), 1, [K 1]) for valid
%   labels, computed in one pass over the stored entries.

% This file holds the help text; the function itself is the compiled module
% murtal.mex beside it.
error('murtal:notBuilt', 'murtal: the compiled module is missing; build it first.');

%!assert (murtal (sparse ([0; 1; 1; 0; 1]), 3, [3; 1; 2.9; 0; 1]), [2; 1; 0])
%!error <Invalid cluster label value> murtal (sparse ([1; 1]), 1, [1 2])
