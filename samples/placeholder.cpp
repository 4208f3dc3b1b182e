// Sample pictures: see the headers in this folder.
