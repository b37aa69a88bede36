function counts = murtal_clusters()
%MURTAL_CLUSTERS  Count the stored entries of a sparse column per cluster.
%   COUNTS = MURTAL_CLUSTERS() takes the sparse pattern of one column of a
%   finite-difference matrix on a 6-by-5 grid (the neighbours of one grid
%   point), labels every grid point with the block of a 3-block domain
%   decomposition it belongs to, and counts with murtal how many of the
%   neighbours lie in each block. Prints the pattern, the labels and the
%   counts, and checks them against accumarray. Needs murtal on the path.

  rows = 6;
  columns = 5;
  n = rows * columns;
  % Five-point Laplacian: each grid point couples to itself and its four
  % neighbours; column k of the matrix is the pattern of point k.
  e = ones(rows, 1);
  f = ones(columns, 1);
  t_rows = spdiags([-e 2 * e -e], -1:1, rows, rows);
  t_columns = spdiags([-f 2 * f -f], -1:1, columns, columns);
  laplacian = kron(speye(columns), t_rows) + kron(t_columns, speye(rows));

  % Domain decomposition: grid columns 1-2 are block 1, 3 is block 2,
  % 4-5 block 3. labels(r) is the block of grid point r.
  block_of_column = [1 1 2 3 3];
  labels = reshape(repmat(block_of_column, rows, 1), n, 1);

  point = sub2ind([rows columns], 3, 3);   % grid point in row 3, column 3
  pattern = laplacian(:, point);           % sparse n-by-1 column
  counts = murtal(pattern, 3, labels);

  fprintf('\nmurtal: neighbours of grid point (3,3) of a 6-by-5 grid, per block\n');
  fprintf('block of each grid point, and * where column %d of the Laplacian has a stored entry:\n', point);
  marked = reshape(full(pattern ~= 0), rows, columns);
  grid_labels = reshape(labels, rows, columns);
  for r = 1:rows
    for c = 1:columns
      fprintf(' %d%s', grid_labels(r, c), repmat('*', 1, marked(r, c)) );
      fprintf('%s', repmat(' ', 1, ~marked(r, c)));
    end
    fprintf('\n');
  end
  fprintf('counts = murtal(pattern, 3, labels) = [%s]  (nnz = %d)\n', ...
         strjoin(arrayfun(@num2str, counts', 'UniformOutput', false), ' '), nnz(pattern));

  expected = accumarray(labels(find(pattern)), 1, [3 1]);
  if ~isequal(counts, expected)
    error('murtal_clusters:mismatch', 'murtal and accumarray disagree');
  end
end
