// Filter library: see the headers in this folder.
